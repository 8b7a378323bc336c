// Guarded: the SDK's one guard around code that must not let an exception out: calls into
// program code (sinks, hooks, sources, ports) and work whose failure is reported as a result.
//
//   ky::base::Guarded(log, "OnDeviceFound", [&] { sink->OnDeviceFound(...); });      // void
//   KyResult r = ky::base::Guarded(log, "PreRead", [&] { return sink->PreRead(reg); });
//   bool ok = ky::base::Guarded(log, "Configure", [&] { return Parse(text); }, false);
//   KyResult r = ky::base::GuardedWithReason(log, "OnCreate", [&] { sink->OnCreate(...); });
//
// Whatever the call throws (a std::exception or anything else) stops there: it is logged as an
// error of `log` (function `what`, message "threw: <reason>"; no log when `log` is null) and
//   - a call that returns nothing returns,
//   - a call that returns a KyResult gives KY_NOT_ENOUGH_MEMORY for std::bad_alloc,
//     KY_THREAD_ERROR for std::system_error (a thread or lock the system refused) and
//     KY_GENERIC_ERROR "<what> threw an exception" for anything else,
//   - a call given a fallback returns the fallback,
//   - GuardedWithReason (a call that returns nothing, whose throw fails the caller's work) gives
//     KY_GENERIC_ERROR "<what> failed: <reason>", so that the caller's result says what went wrong.
// The guard itself never throws, also when there is no memory left for the log's text.
//
// Header only, not installed: the SDK's libraries share it, users do not see it.
#pragma once

#include <exception>
#include <new>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>

#include "ky/base/KyLogger.h"
#include "ky/base/KyResult.h"

namespace ky {
namespace base {

namespace guarded {

// Writes "threw: <reason>" as an error of `log`; a record that cannot be made is dropped.
inline void LogThrow(KyLogger *log, const char *what, const char *reason) noexcept
{
    if (log == nullptr || !log->IsEnabled(KyLogLevelError))
        return;
    try {
        log->LogError(nullptr, 0, what, (std::string("threw: ") + reason).c_str());
    } catch (...) {
        log->LogError(nullptr, 0, what, "threw an exception");
    }
}

// The result of a call that threw; the plain code alone when even its text cannot be made.
inline KyResult Failure(uint32_t code, const char *what, const char *text) noexcept
{
    try {
        return KyResult(code, KyString(std::string(what ? what : "") + text));
    } catch (...) {
        return KyResult(code);
    }
}

// The failure of GuardedWithReason: logged, and the reason kept in the result's text.
inline KyResult FailureWithReason(KyLogger *log, const char *what, const char *reason) noexcept
{
    LogThrow(log, what, reason);
    try {
        return KyResult(KY_GENERIC_ERROR, KyString(std::string(what ? what : "") + " failed: " + reason));
    } catch (...) {
        return KyResult(KY_GENERIC_ERROR);
    }
}

}  // namespace guarded

// Runs fn() and returns what it returns; a throw becomes the fallback (see the top of the file).
template <class F, class T>
auto Guarded(KyLogger *log, const char *what, F &&fn, T fallback) noexcept -> decltype(fn())
{
    try {
        return std::forward<F>(fn)();
    } catch (const std::exception &error) {
        guarded::LogThrow(log, what, error.what());
    } catch (...) {
        guarded::LogThrow(log, what, "an exception that is not a std::exception");
    }
    return fallback;
}

// Runs fn(), which returns nothing or a KyResult; a throw is logged and, for a KyResult, turned
// into a failure (see the top of the file).
template <class F>
auto Guarded(KyLogger *log, const char *what, F &&fn) noexcept -> decltype(fn())
{
    using Result = decltype(fn());
    static_assert(std::is_void<Result>::value || std::is_same<Result, KyResult>::value,
                  "a call that returns something else than a KyResult needs a fallback");
    try {
        return std::forward<F>(fn)();
    } catch (const std::bad_alloc &error) {
        guarded::LogThrow(log, what, error.what());
        if constexpr (!std::is_void<Result>::value)
            return guarded::Failure(KY_NOT_ENOUGH_MEMORY, what, ": out of memory");
    } catch (const std::system_error &error) {
        guarded::LogThrow(log, what, error.what());
        if constexpr (!std::is_void<Result>::value)
            return guarded::Failure(KY_THREAD_ERROR, what, ": the system refused a thread or a lock");
    } catch (const std::exception &error) {
        guarded::LogThrow(log, what, error.what());
        if constexpr (!std::is_void<Result>::value)
            return guarded::Failure(KY_GENERIC_ERROR, what, " threw an exception");
    } catch (...) {
        guarded::LogThrow(log, what, "an exception that is not a std::exception");
        if constexpr (!std::is_void<Result>::value)
            return guarded::Failure(KY_GENERIC_ERROR, what, " threw an exception");
    }
    if constexpr (!std::is_void<Result>::value)
        return KyResult(KY_GENERIC_ERROR);  // not reached
}

// The same with a category's logger.
template <class F>
auto Guarded(KyLogger &log, const char *what, F &&fn) noexcept -> decltype(fn())
{
    return Guarded(&log, what, std::forward<F>(fn));
}

// Runs fn(), which returns nothing; a throw is logged and becomes KY_GENERIC_ERROR
// "<what> failed: <reason>" (see the top of the file).
template <class F>
KyResult GuardedWithReason(KyLogger &log, const char *what, F &&fn) noexcept
{
    static_assert(std::is_void<decltype(fn())>::value, "GuardedWithReason takes a call that returns nothing");
    try {
        std::forward<F>(fn)();
    } catch (const std::exception &error) {
        return guarded::FailureWithReason(&log, what, error.what());
    } catch (...) {
        return guarded::FailureWithReason(&log, what, "an exception that is not a std::exception");
    }
    return KyResult();
}

}  // namespace base
}  // namespace ky
