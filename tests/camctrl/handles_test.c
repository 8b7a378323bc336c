/* The library's answers about handles, as a C application sees them, against a soft camera:
 * a handle not in use has no image waiting (ST_GetImageAvailable gives 0 and the value 0), and a
 * refused callback registration (an ID not in the event table, a grab type that is none, a null
 * function) gives -1009 and leaves the camera's last error as it was. Exit 0 when every answer
 * was the expected one. Runs in a private network namespace with one adapter pair. */
#define _GNU_SOURCE
#include <stdio.h>
#include <string.h>

#include "SoftcamC.h"
#include "ky/camctrl/bnkCamCtrl.h"

#define SERIAL "CH0001"

static int g_failures;

#define EXPECT(condition, ...)                                                                               \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            fprintf(stderr, "%s:%d: ", __FILE__, __LINE__);                                                  \
            fprintf(stderr, __VA_ARGS__);                                                                    \
            fputc('\n', stderr);                                                                             \
            ++g_failures;                                                                                    \
        }                                                                                                    \
    } while (0)

static void OnEvent(const bnkEvent *event, void *user)
{
    (void)event;
    (void)user;
}

static void OnGrab(int type, const bnkBuffer *image, void *user)
{
    (void)type;
    (void)image;
    (void)user;
}

static void HandlesNotInUse(int open)
{
    const int handles[] = {99, -1, open + 1};
    for (size_t i = 0; i < sizeof handles / sizeof handles[0]; ++i) {
        unsigned int available = 7;
        const int result = ST_GetImageAvailable(handles[i], &available);
        EXPECT(result == 0 && available == 0, "ST_GetImageAvailable(%d) gave %d with %u", handles[i], result,
               available);
        bool isOpen = true;
        EXPECT(ST_IsOpenDevice(handles[i], &isOpen) == 0 && !isOpen, "ST_IsOpenDevice(%d)", handles[i]);
        EXPECT(ST_GetLastError(handles[i]) == BNK_ERR_NO_DEVICE, "ST_GetLastError(%d)", handles[i]);
    }
}

/* Each refused call leaves the last error (code and text) of the failed call before it. */
static void RefusedRegistrations(int handle)
{
    int64_t value = 0;
    EXPECT(ST_GetIntReg(handle, "NoSuchFeature", &value) == BNK_ERR_NOT_FOUND, "the failing read");
    const int before = ST_GetLastError(handle);
    char text[256];
    snprintf(text, sizeof text, "%s", ST_GetLastErrorDescription(handle));
    EXPECT(before == BNK_ERR_NOT_FOUND && text[0] != '\0', "the last error before: %d \"%s\"", before, text);

    struct
    {
        const char *what;
        int result;
    } calls[] = {
        {"ST_RegisterEventCallback(h, 9999, fn, 0)", ST_RegisterEventCallback(handle, 9999, OnEvent, NULL)},
        {"ST_RegisterEventCallback(h, 18, fn, 0)", ST_RegisterEventCallback(handle, 18, OnEvent, NULL)},
        {"ST_RegisterEventCallback(h, 20, NULL, 0)", ST_RegisterEventCallback(handle, 20, NULL, NULL)},
        {"ST_UnregisterEventCallback(h, 9999)", ST_UnregisterEventCallback(handle, 9999)},
        {"ST_RegisterGrabCallback(h, 3, fn, 0)", ST_RegisterGrabCallback(handle, 3, OnGrab, NULL)},
        {"ST_RegisterGrabCallback(h, 0, NULL, 0)", ST_RegisterGrabCallback(handle, 0, NULL, NULL)},
        {"ST_UnregisterGrabCallback(h, 3)", ST_UnregisterGrabCallback(handle, 3)},
    };
    for (size_t i = 0; i < sizeof calls / sizeof calls[0]; ++i)
        EXPECT(calls[i].result == BNK_ERR_INVALID_PARAMETER, "%s gave %d", calls[i].what, calls[i].result);
    const int after = ST_GetLastError(handle);
    const char *afterText = ST_GetLastErrorDescription(handle);
    EXPECT(after == before, "the last error went from %d to %d", before, after);
    EXPECT(strcmp(afterText, text) == 0, "the last-error text went from \"%s\" to \"%s\"", text, afterText);
}

int main(void)
{
    char home[64];
    pid_t softcam = 0;
    if (StartSoftcam(SERIAL, NULL, &softcam, home, sizeof home) != 0)
        return 1;
    int exitCode = 1;
    if (ST_InitSystem() == 0) {
        const int found = FindCamera(SERIAL, 30.0 * KY_TEST_TIME_SCALE);
        int handle = -1;
        if (found < 0) {
            EXPECT(0, "softcam's camera was not found");
        } else if (ST_OpenDevice((unsigned int)found, &handle, false) != 0) {
            EXPECT(0, "the camera did not open");
        } else {
            HandlesNotInUse(handle);
            RefusedRegistrations(handle);
            EXPECT(ST_CloseDevice(handle) == 0, "closing the camera");
            /* Closed, its handle is one not in use too. */
            unsigned int available = 7;
            EXPECT(ST_GetImageAvailable(handle, &available) == 0 && available == 0,
                   "ST_GetImageAvailable on the closed handle");
        }
        ST_FreeSystem();
        exitCode = g_failures == 0 ? 0 : 1;
    }
    StopSoftcam(softcam, home);
    printf("%s\n", exitCode == 0 ? "PASS" : "FAIL");
    return exitCode;
}
