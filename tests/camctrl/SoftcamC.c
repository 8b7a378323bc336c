#define _GNU_SOURCE
#include "SoftcamC.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>

#include "ky/camctrl/bnkCamCtrl.h"

extern char **environ;

double Now(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

void SleepMs(double ms)
{
    struct timespec pause = {(time_t)(ms / 1000.0),
                             (long)((ms - 1000.0 * (double)(time_t)(ms / 1000.0)) * 1e6)};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

int StartSoftcam(const char *serial, char *const *options, pid_t *softcam, char *home, size_t homeSize)
{
    snprintf(home, homeSize, "%s", "/tmp/camctrl_c_XXXXXX");
    if (!mkdtemp(home)) {
        perror("mkdtemp");
        return -1;
    }
    setenv("HOME", home, 1);
    char *args[32] = {SOFTCAM_PATH, "--adapter", "kyc1", "--model", "CtrlCam", "--serial", (char *)serial};
    size_t count = 7;
    for (size_t i = 0; options && options[i] && count + 1 < sizeof args / sizeof args[0]; ++i)
        args[count++] = options[i];
    args[count] = NULL;
    if (posix_spawn(softcam, SOFTCAM_PATH, NULL, NULL, args, environ) != 0) {
        perror("softcam");
        return -1;
    }
    return 0;
}

void StopSoftcam(pid_t softcam, const char *home)
{
    kill(softcam, SIGTERM);
    waitpid(softcam, NULL, 0);
    char remove[128];
    snprintf(remove, sizeof remove, "rm -rf '%s'", home);
    if (system(remove) != 0)
        fprintf(stderr, "could not remove %s\n", home);
}

int FindCamera(const char *serial, double seconds)
{
    char wanted[64];
    snprintf(wanted, sizeof wanted, "_SN_%s", serial);
    const double deadline = Now() + seconds;
    while (Now() < deadline) {
        unsigned int count = 0;
        if (ST_UpdateDevice() == 0 && ST_GetAvailableCameraNum(&count) == 0) {
            for (unsigned int i = 0; i < count; ++i) {
                char id[128] = {0};
                unsigned int length = sizeof id - 1;
                if (ST_GetEnumDeviceID(i, id, &length) == 0 && strstr(id, wanted))
                    return (int)i;
            }
        }
        SleepMs(200);
    }
    return -1;
}
