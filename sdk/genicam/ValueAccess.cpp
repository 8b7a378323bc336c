#include "ValueAccess.h"

#include <cmath>
#include <vector>

#include "Format.h"

namespace ky::gc {

KyResult CheckedGetInt(Node &node, int64_t &v)
{
    KyResult r = node.CheckReadable();
    return r.IsOK() ? node.GetInt(v) : r;
}

KyResult CheckedSetInt(Node &node, int64_t v)
{
    int64_t lo = 0, hi = 0, inc = 1;
    KyResult r = node.CheckWritable();
    if (r.IsOK())
        r = node.GetIntMin(lo);
    if (r.IsOK())
        r = node.GetIntMax(hi);
    if (r.IsOK())
        r = node.GetIntInc(inc);
    if (!r.IsOK())
        return r;
    if (v < lo)
        return node.Error(KY_INVALID_PARAMETER,
                          std::to_string(v) + " is below the minimum " + std::to_string(lo));
    if (v > hi)
        return node.Error(KY_INVALID_PARAMETER,
                          std::to_string(v) + " is above the maximum " + std::to_string(hi));
    // v >= lo here, so the difference is exact in unsigned arithmetic.
    if (inc > 1 && (static_cast<uint64_t>(v) - static_cast<uint64_t>(lo)) % static_cast<uint64_t>(inc) != 0)
        return node.Error(KY_INVALID_PARAMETER,
                          std::to_string(v) + " is not the minimum " + std::to_string(lo) +
                              " plus a multiple of the increment " + std::to_string(inc));
    return node.SetInt(v);
}

KyResult CheckedGetFloat(Node &node, double &v)
{
    KyResult r = node.CheckReadable();
    return r.IsOK() ? node.GetFloat(v) : r;
}

KyResult CheckedSetFloat(Node &node, double v)
{
    double lo = 0, hi = 0, inc = 0;
    bool hasInc = false;
    if (!std::isfinite(v))
        return node.Error(KY_INVALID_PARAMETER, FormatDouble(v) + " is not a finite number");
    KyResult r = node.CheckWritable();
    if (r.IsOK())
        r = node.GetFloatMin(lo);
    if (r.IsOK())
        r = node.GetFloatMax(hi);
    if (r.IsOK())
        r = node.GetFloatInc(inc, hasInc);
    if (!r.IsOK())
        return r;
    if (v < lo)
        return node.Error(KY_INVALID_PARAMETER,
                          FormatDouble(v) + " is below the minimum " + FormatDouble(lo));
    if (v > hi)
        return node.Error(KY_INVALID_PARAMETER,
                          FormatDouble(v) + " is above the maximum " + FormatDouble(hi));
    if (hasInc) {
        double steps = (v - lo) / inc;
        if (std::fabs(steps - std::round(steps)) > 1e-9 * std::max(1.0, std::fabs(steps)))
            return node.Error(KY_INVALID_PARAMETER,
                              FormatDouble(v) + " is not the minimum " + FormatDouble(lo) +
                                  " plus a multiple of the increment " + FormatDouble(inc));
    }
    return node.SetFloat(v);
}

KyResult CheckedGetBool(Node &node, bool &v)
{
    KyResult r = node.CheckReadable();
    return r.IsOK() ? node.GetBool(v) : r;
}

KyResult CheckedSetBool(Node &node, bool v)
{
    KyResult r = node.CheckWritable();
    return r.IsOK() ? node.SetBool(v) : r;
}

KyResult CheckedGetString(Node &node, std::string &v)
{
    KyResult r = node.CheckReadable();
    return r.IsOK() ? node.GetString(v) : r;
}

KyResult CheckedSetString(Node &node, const std::string &v)
{
    KyResult r = node.CheckWritable();
    if (!r.IsOK() || node.Kind() != Interface::String)
        return r.IsOK() ? node.SetString(v) : r;
    int64_t max = 0;
    r = node.GetMaxLength(max);
    if (r.IsOK() && static_cast<int64_t>(v.size()) > max)
        return node.Error(KY_INVALID_PARAMETER, "text of " + std::to_string(v.size()) +
                                                    " bytes is longer than the maximum " +
                                                    std::to_string(max));
    return r.IsOK() ? node.SetString(v) : r;
}

KyResult CheckedExecute(Node &node)
{
    KyResult r = node.CheckWritable();
    return r.IsOK() ? node.Execute() : r;
}

KyResult CheckByteBuffer(const Node &node, const void *data, int64_t length)
{
    if (length < 0)
        return node.Error(KY_INVALID_PARAMETER, "was given the negative length " + std::to_string(length));
    if (!data && length != 0)
        return node.Error(KY_INVALID_PARAMETER, "was given a null buffer");
    return KyResult();
}

KyResult CheckedGetBytes(Node &node, uint8_t *data, int64_t length)
{
    KyResult r = CheckByteBuffer(node, data, length);
    if (r.IsOK())
        r = node.CheckReadable();
    return r.IsOK() ? node.GetBytes(data, length) : r;
}

KyResult CheckedSetBytes(Node &node, const uint8_t *data, int64_t length)
{
    KyResult r = CheckByteBuffer(node, data, length);
    if (r.IsOK())
        r = node.CheckWritable();
    return r.IsOK() ? node.SetBytes(data, length) : r;
}

KyResult ValueToText(Node &node, std::string &text)
{
    KyResult r;
    switch (node.Kind()) {
    case Interface::Integer: {
        int64_t v = 0;
        if ((r = CheckedGetInt(node, v)).IsOK())
            text = std::to_string(v);
        return r;
    }
    case Interface::Float: {
        double v = 0;
        if ((r = CheckedGetFloat(node, v)).IsOK())
            text = FormatDouble(v);
        return r;
    }
    case Interface::Boolean: {
        bool v = false;
        if ((r = CheckedGetBool(node, v)).IsOK())
            text = v ? "True" : "False";
        return r;
    }
    case Interface::String:
    case Interface::Enumeration:
        return CheckedGetString(node, text);
    case Interface::Register: {
        int64_t length = 0;
        if (!(r = node.GetLength(length)).IsOK())
            return r;
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        if ((r = CheckedGetBytes(node, bytes.data(), length)).IsOK())
            text = FormatHex(bytes.data(), bytes.size());
        return r;
    }
    default:
        return node.Error(KY_NOT_SUPPORTED, "has no value to show as text");
    }
}

KyResult ValueFromText(Node &node, const std::string &text)
{
    switch (node.Kind()) {
    case Interface::Integer: {
        int64_t v = 0;
        if (!ParseInt(text, v))
            return node.Error(KY_INVALID_PARAMETER, "'" + text + "' is not an integer");
        return CheckedSetInt(node, v);
    }
    case Interface::Float: {
        double v = 0;
        if (!ParseFloat(text, v))
            return node.Error(KY_INVALID_PARAMETER, "'" + text + "' is not a number");
        return CheckedSetFloat(node, v);
    }
    case Interface::Boolean: {
        if (text == "True" || text == "true" || text == "1")
            return CheckedSetBool(node, true);
        if (text == "False" || text == "false" || text == "0")
            return CheckedSetBool(node, false);
        return node.Error(KY_INVALID_PARAMETER, "'" + text + "' is neither True nor False");
    }
    case Interface::String:
    case Interface::Enumeration:
        return CheckedSetString(node, text);
    case Interface::Register: {
        std::string bytes;
        if (!ParseHex(text, bytes) || bytes.empty())
            return node.Error(KY_INVALID_PARAMETER, "'" + text + "' is not a list of hexadecimal bytes");
        return CheckedSetBytes(node, reinterpret_cast<const uint8_t *>(bytes.data()),
                               static_cast<int64_t>(bytes.size()));
    }
    case Interface::Command:
        return node.Error(KY_NOT_SUPPORTED, "is a command and takes no value; execute it");
    default:
        return node.Error(KY_NOT_SUPPORTED, "takes no value");
    }
}

}  // namespace ky::gc
