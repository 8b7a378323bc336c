/* One camera used from several threads, as a C application uses the library: a soft camera
 * streaming at 200 frames/s, a grab thread and a feature thread calling while the main thread
 * closes the camera (or frees the system) after 0 to 25 ms, 120 times; then three threads
 * calling on one camera for 3 s, with failing calls that write its last error. Exit 0 when every
 * call answered what it may answer and nothing crashed. Runs in a private network namespace
 * with one adapter pair (softcam on kyc1). */
#define _GNU_SOURCE
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "SoftcamC.h"
#include "ky/camctrl/bnkCamCtrl.h"

#define SERIAL "CT0001"
#define CYCLES 120
#define PARALLEL_SECONDS 3.0

static atomic_int g_failures;

#define FAIL(...)                                                                                            \
    do {                                                                                                     \
        fprintf(stderr, __VA_ARGS__);                                                                        \
        fputc('\n', stderr);                                                                                 \
        atomic_fetch_add(&g_failures, 1);                                                                    \
    } while (0)

static int OpenStreaming(unsigned int index, bnkBuffer *image)
{
    int handle = -1;
    if (ST_OpenDevice(index, &handle, false) != 0)
        return -1;
    if (ST_SetGrabTimeout(handle, 200) != 0 || (image && ST_InitBuffer(handle, image, 0) != 0) ||
        ST_AcqStart(handle) != 0) {
        FAIL("preparing camera %d failed: %s", handle, ST_GetLastErrorDescription(handle));
        ST_CloseDevice(handle);
        return -1;
    }
    return handle;
}

/* ---- close (or free) racing a grab thread and a feature thread ---- */

struct Racer
{
    int handle;
    bnkBuffer *image;
    int grabs;  /* images grabbed */
    int calls;  /* feature calls answered */
    int ending; /* the result that ended the loop */
};

/* What a call on a camera being closed may answer: its own outcome, or "no such camera" (or
 * "no system" once freed). */
static int Gone(int result) { return result == BNK_ERR_NO_DEVICE || result == BNK_ERR_NO_SYSTEM; }

static void *GrabLoop(void *argument)
{
    struct Racer *racer = argument;
    const double deadline = Now() + 20.0 * KY_TEST_TIME_SCALE;
    for (;;) {
        const int result = ST_GrabImage(racer->handle, racer->image);
        if (result == 0) {
            ++racer->grabs;
        } else if (Gone(result)) {
            racer->ending = result;
            return NULL;
        } else if (result != BNK_ERR_TIMEOUT) {
            FAIL("ST_GrabImage during the close: %d", result);
        }
        if (Now() > deadline) {
            FAIL("the grab thread never saw the camera go");
            return NULL;
        }
    }
}

static void *FeatureLoop(void *argument)
{
    struct Racer *racer = argument;
    const double deadline = Now() + 20.0 * KY_TEST_TIME_SCALE;
    for (int round = 0;; ++round) {
        int64_t width = 0;
        int result = round % 2 ? ST_GetIntReg(racer->handle, "Width", &width)
                               : ST_GetIntReg(racer->handle, "NoSuchFeature", &width);
        if (Gone(result)) {
            racer->ending = result;
            return NULL;
        }
        if (result != (round % 2 ? 0 : BNK_ERR_NOT_FOUND))
            FAIL("feature call %d during the close: %d", round % 2, result);
        const char *text = ST_GetLastErrorDescription(racer->handle);
        if (!text)
            FAIL("null last-error text");
        else
            (void)strlen(text);
        ++racer->calls;
        if (Now() > deadline) {
            FAIL("the feature thread never saw the camera go");
            return NULL;
        }
    }
}

static void CloseRace(unsigned int *index)
{
    int grabs = 0, cycles = 0;
    srand(29);
    for (int cycle = 0; cycle < CYCLES; ++cycle) {
        /* Every 20th cycle frees the whole system instead of closing the camera. */
        const int freeSystem = cycle % 20 == 19;
        bnkBuffer image;
        memset(&image, 0, sizeof image);
        struct Racer racer = {OpenStreaming(*index, &image), &image, 0, 0, 0};
        struct Racer feature = {racer.handle, NULL, 0, 0, 0};
        if (racer.handle < 0) {
            FAIL("cycle %d: the camera did not open", cycle);
            return;
        }
        pthread_t grabThread, featureThread;
        pthread_create(&grabThread, NULL, GrabLoop, &racer);
        pthread_create(&featureThread, NULL, FeatureLoop, &feature);
        SleepMs((double)(rand() % 26));
        const int closed = freeSystem ? ST_FreeSystem() : ST_CloseDevice(racer.handle);
        if (closed != 0)
            FAIL("cycle %d: close gave %d", cycle, closed);
        /* No call on the handle gets through any more. */
        int64_t width = 0;
        const int after = ST_GetIntReg(racer.handle, "Width", &width);
        if (after != (freeSystem ? BNK_ERR_NO_SYSTEM : BNK_ERR_NO_DEVICE))
            FAIL("cycle %d: a call after the close gave %d", cycle, after);
        pthread_join(grabThread, NULL);
        pthread_join(featureThread, NULL);
        ST_FreeBuffer(&image);
        grabs += racer.grabs;
        ++cycles;
        if (freeSystem) {
            if (ST_InitSystem() != 0) {
                FAIL("ST_InitSystem after a free failed");
                return;
            }
            const int found = FindCamera(SERIAL, 30.0 * KY_TEST_TIME_SCALE);
            if (found < 0) {
                FAIL("the camera was not found again after ST_FreeSystem");
                return;
            }
            *index = (unsigned int)found;
        }
    }
    printf("close race: %d cycles, %d images grabbed meanwhile\n", cycles, grabs);
    if (grabs == 0)
        FAIL("no image was grabbed in any cycle: the race was never run while streaming");
}

/* ---- three threads on one camera ---- */

struct Caller
{
    int handle;
    int kind;
    double until;
    int calls;
};

/* The last-error texts a thread may read: those of the calls below (learnt on one thread first)
 * and the timeout's. */
static char g_knownTexts[4][256];

static int KnownText(const char *text)
{
    if (!text)
        return 0;
    for (int i = 0; i < 4; ++i)
        if (strcmp(text, g_knownTexts[i]) == 0)
            return 1;
    return 0;
}

static int KnownCode(int code)
{
    return code == 0 || code == BNK_ERR_NOT_FOUND || code == BNK_ERR_BUFFER_TOO_SMALL ||
           code == BNK_ERR_TIMEOUT;
}

/* Each kind of caller makes calls with a known answer of its own, whatever the others store. */
static int CallOnce(int handle, int kind, bnkBuffer *image)
{
    int64_t value = 0;
    char text[2];
    unsigned int length = sizeof text;
    switch (kind) {
    case 0:
        return ST_GetIntReg(handle, "NoSuchFeature", &value) == BNK_ERR_NOT_FOUND;
    case 1:
        return ST_GetStrReg(handle, "DeviceModelName", text, &length) == BNK_ERR_BUFFER_TOO_SMALL;
    case 2:
        return ST_GetIntReg(handle, "Width", &value) == 0 && value > 0;
    default: {
        const int grabbed = ST_GrabImage(handle, image);
        return grabbed == 0 || grabbed == BNK_ERR_TIMEOUT;
    }
    }
}

static void *CallLoop(void *argument)
{
    struct Caller *caller = argument;
    bnkBuffer image;
    memset(&image, 0, sizeof image);
    if (caller->kind == 2 && ST_InitBuffer(caller->handle, &image, 0) != 0) {
        FAIL("ST_InitBuffer in a caller failed");
        return NULL;
    }
    while (Now() < caller->until) {
        /* The third caller alternates between a feature read and a grab. */
        const int kind = caller->kind == 2 && caller->calls % 2 ? 3 : caller->kind;
        if (!CallOnce(caller->handle, kind, &image))
            FAIL("caller %d: call kind %d gave another answer than its own", caller->kind, kind);
        const int code = ST_GetLastError(caller->handle);
        const char *text = ST_GetLastErrorDescription(caller->handle);
        if (!KnownCode(code))
            FAIL("caller %d: last error %d is no code any call stored", caller->kind, code);
        if (!KnownText(text))
            FAIL("caller %d: last-error text \"%s\" is no text any call stored", caller->kind,
                 text ? text : "(null)");
        ++caller->calls;
    }
    ST_FreeBuffer(&image);
    return NULL;
}

static void ThreeCallers(unsigned int index)
{
    const int handle = OpenStreaming(index, NULL);
    if (handle < 0) {
        FAIL("the camera did not open for the three callers");
        return;
    }
    /* The texts of each failing call, learnt on this thread alone. */
    bnkBuffer none;
    memset(&none, 0, sizeof none);
    for (int kind = 0; kind < 2; ++kind) {
        CallOnce(handle, kind, &none);
        snprintf(g_knownTexts[kind], sizeof g_knownTexts[kind], "%s", ST_GetLastErrorDescription(handle));
    }
    snprintf(g_knownTexts[2], sizeof g_knownTexts[2], "%s", "The operation timed out.");
    CallOnce(handle, 2, &none);
    snprintf(g_knownTexts[3], sizeof g_knownTexts[3], "%s", ST_GetLastErrorDescription(handle));

    struct Caller callers[3];
    pthread_t threads[3];
    const double until = Now() + PARALLEL_SECONDS;
    for (int i = 0; i < 3; ++i) {
        callers[i] = (struct Caller){handle, i, until, 0};
        pthread_create(&threads[i], NULL, CallLoop, &callers[i]);
    }
    for (int i = 0; i < 3; ++i)
        pthread_join(threads[i], NULL);
    printf("three callers: %d, %d and %d calls\n", callers[0].calls, callers[1].calls, callers[2].calls);
    for (int i = 0; i < 3; ++i)
        if (callers[i].calls == 0)
            FAIL("caller %d made no call", i);
    if (ST_CloseDevice(handle) != 0)
        FAIL("closing after the three callers failed");
}

int main(void)
{
    char home[64];
    char *const options[] = {"--width", "320", "--height", "240", "--fps", "200", NULL};
    pid_t softcam = 0;
    if (StartSoftcam(SERIAL, options, &softcam, home, sizeof home) != 0)
        return 1;

    int exitCode = 1;
    if (ST_InitSystem() == 0) {
        const int found = FindCamera(SERIAL, 30.0 * KY_TEST_TIME_SCALE);
        if (found < 0) {
            FAIL("softcam's camera was not found");
        } else {
            unsigned int index = (unsigned int)found;
            CloseRace(&index);
            ThreeCallers(index);
        }
        ST_FreeSystem();
        exitCode = atomic_load(&g_failures) == 0 ? 0 : 1;
    }

    StopSoftcam(softcam, home);
    printf("%s\n", exitCode == 0 ? "PASS" : "FAIL");
    return exitCode;
}
