// A child program started by a test and always stopped when the object goes away:
// SIGTERM, a bounded wait, then SIGKILL.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

class SpawnedProcess
{
public:
    // argv[0] is looked up on PATH; stdout and stderr go to /dev/null unless keepOutput.
    explicit SpawnedProcess(const std::vector<std::string> &argv, bool keepOutput = false)
    {
        std::vector<char *> args;
        for (const std::string &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        mPid = ::fork();
        if (mPid == 0) {
            if (!keepOutput) {
                FILE *null = std::fopen("/dev/null", "w");
                if (null) {
                    ::dup2(fileno(null), 1);
                    ::dup2(fileno(null), 2);
                }
            }
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
    }
    ~SpawnedProcess() { Stop(); }
    SpawnedProcess(const SpawnedProcess &) = delete;
    SpawnedProcess &operator=(const SpawnedProcess &) = delete;

    bool Started() const { return mPid > 0; }
    pid_t Pid() const { return mPid; }
    bool Running()
    {
        if (mPid <= 0)
            return false;
        int status = 0;
        if (::waitpid(mPid, &status, WNOHANG) == mPid) {
            mPid = -1;
            return false;
        }
        return true;
    }
    // Ends the child; a second call does nothing.
    void Stop()
    {
        if (mPid <= 0)
            return;
        ::kill(mPid, SIGTERM);
        for (int i = 0; i < 50; ++i) {  // up to 5 s
            int status = 0;
            if (::waitpid(mPid, &status, WNOHANG) == mPid) {
                mPid = -1;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        ::kill(mPid, SIGKILL);
        int status = 0;
        ::waitpid(mPid, &status, 0);
        mPid = -1;
    }

private:
    pid_t mPid = -1;
};
