/* bnkCamCtrl: the camera control library's C interface.
 *
 * A flat family of ST_ functions over the camera SDK: initialise the camera system, enumerate
 * cameras and read their identities, open a camera by enumeration index and address it afterwards
 * by an integer handle, read and write its GenICam features by name and its memory by address,
 * and read the last error of a camera as a code and a text. Usable from C and C++.
 *
 * Results: every function but ST_GetLastErrorDescription returns an int, 0 for success and a
 * negative code from -1001 to -1039 for failure (the BNK_ codes below). ST_CvtColor alone may
 * return a positive number: the SDK's own result code of a failed conversion.
 *
 * Text out: functions that give text take a buffer `text` and `length`. On entry *length says
 * how many characters the buffer takes, not counting the terminating zero (the buffer has room
 * for *length + 1 bytes). A null `text` only gives the needed length in *length (result 0). A
 * *length smaller than the text's length gets the needed length back, an emptied buffer and
 * BNK_ERR_BUFFER_TOO_SMALL. Otherwise the text and its zero are copied and *length is the text's
 * length.
 *
 * Null out-pointers (and a null buffer with a non-zero length) are refused with
 * BNK_ERR_INVALID_PARAMETER; nothing is written then.
 *
 * Threads: the library starts a thread of its own only for grab callbacks (below). Create and
 * free the system, open cameras and rebuild the enumeration list from one thread (or serialise
 * these calls yourself).
 * Calls on an open camera may come from any thread; calls on one camera are not serialised by
 * the library beyond what the SDK serialises (the control link carries one command at a time).
 * A camera may be closed (or the system freed) while other threads call on it: such a call runs
 * whole before the close completes or answers BNK_ERR_NO_DEVICE (BNK_ERR_NO_SYSTEM); a grab
 * waiting meanwhile is woken. Not from one of that camera's callbacks (BNK_ERR_BUSY).
 *
 * Log files: a camera opened with the log flag writes a log file under $HOME/Brenik/Logs/<model>_SN_<serial>/
 * (see the library's README); a failed open writes a short one whatever the flag.
 */
#ifndef KY_CAMCTRL_BNKCAMCTRL_H
#define KY_CAMCTRL_BNKCAMCTRL_H

#include <stdbool.h>
#include <stdint.h>

#if defined(KY_CAMCTRL_BUILDING)
#define KY_CAMCTRL_API __attribute__((visibility("default")))
#else
#define KY_CAMCTRL_API
#endif

#ifdef __cplusplus
#define KY_CAMCTRL_NOEXCEPT noexcept
extern "C" {
#else
#define KY_CAMCTRL_NOEXCEPT
#endif

/* Result codes. Fixed numbers, never renumbered or reused. */
enum bnkResult {
    BNK_OK = 0,
    BNK_ERR_GENERIC = -1001,         /* an SDK failure without a code of its own, or an unexpected failure */
    BNK_ERR_NOT_INITIALIZED = -1002, /* not initialised; enumeration list never built; null image memory */
    BNK_ERR_NOT_IMPLEMENTED = -1003,
    BNK_ERR_BUSY = -1004,
    BNK_ERR_STATE = -1005,
    BNK_ERR_NOT_CONNECTED = -1006,
    BNK_ERR_NOT_FOUND = -1007, /* no such feature; enumeration index out of range */
    BNK_ERR_NO_MORE_ITEM = -1008,
    BNK_ERR_INVALID_PARAMETER = -1009,
    BNK_ERR_FILE = -1010,
    BNK_ERR_TIMEOUT = -1011,
    BNK_ERR_ABORTED = -1012,
    BNK_ERR_BUFFER_TOO_SMALL = -1013,
    BNK_ERR_CANNOT_OPEN_FILE = -1014,
    BNK_ERR_THREAD = -1015,
    BNK_ERR_INVALID_DATA_FORMAT = -1016,
    BNK_ERR_NOT_ENOUGH_MEMORY = -1017,
    BNK_ERR_CANCEL = -1018,
    BNK_ERR_PENDING = -1019,
    BNK_ERR_CANT_READ_MANIFEST = -1021,
    BNK_ERR_NOT_SUPPORTED = -1022,
    BNK_ERR_OVERFLOW = -1023,
    BNK_ERR_IMAGE = -1024,
    BNK_ERR_MISSING_PACKETS = -1025,
    BNK_ERR_TOO_MANY_RESENDS = -1026,
    BNK_ERR_RESENDS_FAILURE = -1027,
    BNK_ERR_TOO_MANY_CONSECUTIVE_RESENDS = -1028,
    BNK_ERR_AUTO_ABORTED = -1029,
    BNK_ERR_BAD_VERSION = -1030,
    BNK_ERR_NO_MORE_ENTRY = -1031,
    BNK_ERR_NO_AVAILABLE_DATA = -1032,
    BNK_ERR_NETWORK = -1033,
    BNK_ERR_RESYNC = -1034,
    BNK_ERR_CORRUPTED_DATA = -1035,
    BNK_ERR_GENICAM_XML = -1036,
    BNK_ERR_NO_DEVICE = -1037, /* handle not in use; empty enumeration list */
    BNK_ERR_NO_SYSTEM = -1038, /* ST_InitSystem not called (or the system freed) */
    BNK_ERR_SYSTEM_NOT_INITIALIZED = -1039
};

/* Info types of ST_GetEnumDeviceInfo. */
enum bnkDeviceInfoType {
    BNK_INFO_USER_DEFINED_NAME = 10000,
    BNK_INFO_MODEL_NAME = 10001,
    BNK_INFO_SERIAL_NUMBER = 10002,
    BNK_INFO_VERSION = 10003,
    BNK_INFO_MAC_ADDRESS = 10004, /* GigE Vision cameras only */
    BNK_INFO_IP_ADDRESS = 10005,  /* GigE Vision cameras only */
    BNK_INFO_USB_SPEED = 10006    /* USB3 Vision cameras only */
};

/* Conversion codes of ST_CvtColor: the source's pixel layout; the destination is always BGR8. */
enum bnkColorConversion {
    BNK_CVT_BGR8 = 4,
    BNK_CVT_BAYER_RG8 = 46,
    BNK_CVT_BAYER_GR8 = 47,
    BNK_CVT_BAYER_BG8 = 48,
    BNK_CVT_BAYER_GB8 = 49
};

/* The image record (48 bytes). The application owns it; `data` is pixel memory. */
typedef struct _bnkBuffer
{
    uint64_t blockId;   /* block ID of the image */
    uint64_t timestamp; /* the camera's time stamp of the image */
    uint32_t imageSize; /* bytes of `data` (after a grab: of the image copied) */
    uint32_t reserved;  /* never read or written by the library */
    uint32_t width;     /* pixels per line */
    uint32_t height;    /* lines */
    uint32_t lineBytes; /* width x bytesPerPixel */
    uint32_t bytesPerPixel;
    unsigned char *data; /* pixel memory, from the C heap (malloc); released by ST_FreeBuffer */
} bnkBuffer;

/* The camera event record (32 bytes), valid only during an event callback. */
typedef struct _bnkEvent
{
    uint32_t eventId; /* one of the event IDs below */
    uint64_t
        timestamp; /* the camera's time stamp; for EventDeviceDisconnect the host's time in ns since 1970 */
    const void *eventData;    /* payload as the camera sent it; null for EventDeviceDisconnect */
    uint32_t eventDataLength; /* payload bytes */
} bnkEvent;

/* Grab callback types. */
enum bnkGrabType { GrabNewImage = 0, GrabError = 1, GrabTimeout = 2 };

/* Camera event IDs. */
enum bnkEventId {
    EventDeviceDisconnect = 16,
    EventExposureEnd = 20,
    EventAcquisitionTransferStart = 24,
    EventAcquisitionTransferEnd = 28,
    EventOverTrigger = 32,
    EventOverTriggerStartMissed = 36,
    EventOverTriggerEndMissed = 40,
    EventTriggerStart = 44,
    EventWarningTemperatureState = 48,
    EventCriticalTemperatureState = 52
};

/* Callback signatures: a grab callback gets the type, the image (null for GrabError and
 * GrabTimeout) and the user pointer given at registration; an event callback the event record. */
typedef void (*GrabCallback)(int type, const struct _bnkBuffer *image, void *user);
typedef void (*EventCallback)(const struct _bnkEvent *event, void *user);

/* ---- System ---------------------------------------------------------------------------------
 * ST_InitSystem creates the process-wide system object (a second call does nothing, 0). Every
 * other function needs it and returns BNK_ERR_NO_SYSTEM (-1038) without it.
 * ST_FreeSystem closes every open camera and frees the system.
 * ST_IsInitSystem: *initialised true while the system exists.
 * ST_UpdateDevice runs discovery and rebuilds the enumeration list (about one second); open
 * cameras keep their handles, but enumeration indexes may then name other cameras.
 * ST_GetAvailableCameraNum: the number of cameras in the list, built first if it never was. */
KY_CAMCTRL_API int ST_InitSystem(void) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_FreeSystem(void) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_IsInitSystem(bool *initialised) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetAvailableCameraNum(unsigned int *count) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_UpdateDevice(void) KY_CAMCTRL_NOEXCEPT;

/* Identity of an enumerated camera, by text-out. The device ID is "<model>_SN_<serial>".
 * BNK_ERR_NO_DEVICE for an empty list, BNK_ERR_NOT_FOUND for an index out of range;
 * ST_GetEnumDeviceInfo: BNK_ERR_INVALID_PARAMETER for an info type of another transport (buffer
 * and length untouched); an info type not listed gives the empty text. */
KY_CAMCTRL_API int ST_GetEnumDeviceID(unsigned int index, char *text,
                                      unsigned int *length) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetEnumDeviceInfo(unsigned int index, int infoType, char *text,
                                        unsigned int *length) KY_CAMCTRL_NOEXCEPT;

/* ---- Cameras ---------------------------------------------------------------------------------
 * ST_OpenDevice connects the camera at an enumeration index and gives its handle: the largest
 * handle in use plus 1, or 0 when none is open. *handle is -1 on failure. BNK_ERR_NOT_INITIALIZED
 * before the list was ever built, BNK_ERR_NO_DEVICE for an empty list, BNK_ERR_NOT_FOUND for an
 * index out of range, or the connection's failure. With `log` true the camera gets a log file.
 * ST_IsOpenDevice: *open false for a handle not in use (result 0).
 * ST_CloseDevice disconnects and forgets the camera (0), also after its link was lost.
 * ST_GetInterface: "GEV" or "U3V" by text-out. */
KY_CAMCTRL_API int ST_OpenDevice(unsigned int index, int *handle, bool log) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_IsOpenDevice(int handle, bool *open) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_CloseDevice(int handle) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetInterface(unsigned int handle, char *text, unsigned int *length) KY_CAMCTRL_NOEXCEPT;

/* Last error of a camera: the code and text of its last operation (0 and "" after a success).
 * BNK_ERR_NO_DEVICE and "No connectable devices." for a handle not in use; without a system
 * the text is "The system has not been initialized.". The text is never null; it is the calling
 * thread's own copy and stays valid until that thread asks again about the same camera. */
KY_CAMCTRL_API int ST_GetLastError(int handle) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API const char *ST_GetLastErrorDescription(int handle) KY_CAMCTRL_NOEXCEPT;

/* Operation lines in an open camera's log file (only a camera opened with the log flag has one):
 * switch them off or on again, and read the switch. */
KY_CAMCTRL_API int ST_SetDetailedLog(int handle, bool on) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetDetailedLog(int handle, bool *on) KY_CAMCTRL_NOEXCEPT;

/* ---- Features by name ------------------------------------------------------------------------
 * The camera's GenICam features. Failures give the SDK's answer as a library code with its text
 * in the last error: BNK_ERR_NOT_FOUND (no such feature), BNK_ERR_INVALID_PARAMETER (wrong type,
 * out of range), BNK_ERR_STATE (not writable or not available now), BNK_ERR_NOT_CONNECTED. */
KY_CAMCTRL_API int ST_SetIntReg(int handle, const char *name, int64_t value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetIntReg(int handle, const char *name, int64_t *value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetFloatReg(int handle, const char *name, double value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetFloatReg(int handle, const char *name, double *value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetBoolReg(int handle, const char *name, bool value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetBoolReg(int handle, const char *name, bool *value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetEnumReg(int handle, const char *name, char *value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetEnumReg(int handle, const char *name, char *text,
                                 unsigned int *length) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetStrReg(int handle, const char *name, char *value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetStrReg(int handle, const char *name, char *text,
                                unsigned int *length) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetCmdReg(int handle, const char *name) KY_CAMCTRL_NOEXCEPT;
/* Ranges and entries; a name that is no feature of the asked type gives BNK_ERR_NOT_FOUND. */
KY_CAMCTRL_API int ST_GetIntRegRange(int handle, const char *name, int64_t *min, int64_t *max,
                                     int64_t *increment) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetFloatRegRange(int handle, const char *name, double *min,
                                       double *max) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetEnumEntrySize(int handle, const char *name, int *count) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetEnumEntryIntValue(int handle, const char *name, int index,
                                           int *value) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetEnumEntryValue(int handle, const char *name, int index, char *text,
                                        unsigned int *length) KY_CAMCTRL_NOEXCEPT;

/* Raw device memory: `length` bytes at `address`. ST_ReadParam prints the result's description on
 * one line of standard output. */
KY_CAMCTRL_API int ST_ReadParam(int handle, unsigned char *data, int64_t address,
                                int64_t length) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_WriteParam(int handle, const unsigned char *data, int64_t address,
                                 int64_t length) KY_CAMCTRL_NOEXCEPT;

/* ---- Images ----------------------------------------------------------------------------------
 * ST_CvtColor converts `source` (pixel layout by `code`, bnkColorConversion) into BGR8 pixels at
 * destination->data and copies blockId and timestamp. Each record's imageSize bounds its memory:
 * a destination smaller than width x height x 3 is refused. BNK_ERR_NOT_INITIALIZED for null
 * data, BNK_ERR_INVALID_PARAMETER for an unknown code, or the SDK's positive result code.
 * ST_FreeBuffer releases a record's memory (free) and zeroes its fields but `reserved`. */
KY_CAMCTRL_API int ST_CvtColor(struct _bnkBuffer source, struct _bnkBuffer *destination,
                               int code) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_FreeBuffer(struct _bnkBuffer *image) KY_CAMCTRL_NOEXCEPT;

/* ---- Settings files --------------------------------------------------------------------------
 * The camera's writable settings (integers but hexadecimal ones, floats, booleans, enumerations,
 * strings) visible at `visibility` (0 Beginner, 1 Expert, 2 Guru) saved to a file, and such a
 * file applied to a camera of the same model. ST_ExportXML writes version "1.0" (format 0) or
 * "1.1" (format 1); another format writes nothing (0). An export that cannot be written
 * completely gives BNK_ERR_CANNOT_OPEN_FILE and leaves no partial file.
 * Imports: BNK_ERR_CANNOT_OPEN_FILE for a name not ending in .XML/.xml/.Xml (.JSON/.json/.Json)
 * or a file that is missing, unreadable, not well-formed, or a device, socket or folder;
 * BNK_ERR_FILE for a file larger than 16 MiB (refused unread); BNK_ERR_NOT_FOUND for a file of
 * another camera model (nothing applied). Values the camera refuses, or that do not parse, are
 * skipped; an XML file of another version applies nothing (0). The features of one connection's
 * session (GevSCDA, GevSCPHostPort, GevMCDA, GevMCPHostPort, GevCCP) are never applied. */
KY_CAMCTRL_API int ST_ImportXML(int handle, const char *path) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_ExportXML(int handle, const char *path, int format, int visibility) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_ImportJson(int handle, const char *path) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_ExportJson(int handle, const char *path, int visibility) KY_CAMCTRL_NOEXCEPT;

/* ---- Acquisition and polling grab ------------------------------------------------------------
 * ST_AcqStart starts the camera's acquisition into the library's pipeline; ST_AcqStop stops it (0
 * also when it was not running). ST_DoAbortGrab resets and stops the pipeline only.
 * The grab timeout (ms, 1000 at first) and the buffer count (16 at first) change only while not
 * acquiring (otherwise BNK_ERR_BUSY); the buffer count takes effect at the next ST_AcqStart.
 * ST_InitBuffer sizes and allocates a record's memory from the camera's PayloadSize, Width,
 * Height and PixelFormat; bytesPerPixel 0 takes it from the pixel format, another value asks for
 * PayloadSize x bytesPerPixel bytes (3 for a colour conversion's destination). A negative value or
 * a size past 32 bits gives BNK_ERR_INVALID_PARAMETER. Release the memory with ST_FreeBuffer.
 * ST_GrabImage copies the next image into the record's memory, waiting up to the grab timeout
 * (BNK_ERR_TIMEOUT); an image larger than the record's imageSize is refused with
 * BNK_ERR_BUFFER_TOO_SMALL and the record stays as it was. Null memory: BNK_ERR_NOT_INITIALIZED.
 * ST_SingleGrabImage stops a running acquisition, then acquires one frame in the camera's
 * "SingleFrame" acquisition mode on buffers of its own and copies it into the record (same rules
 * as ST_GrabImage); the acquisition mode is set back to "Continuous" and acquisition stays
 * stopped. BNK_ERR_NOT_FOUND for a camera without AcquisitionMode, AcquisitionStart or
 * AcquisitionStop.
 * ST_GetImageAvailable: *available 1 when an image waits, else 0.
 * Statistics of the stream: blocks received and failed blocks, blocks per second, megabits per
 * second; BNK_ERR_STATE without a stream. */
KY_CAMCTRL_API int ST_AcqStart(int handle) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_AcqStop(int handle) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_DoAbortGrab(int handle) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetGrabTimeout(int handle, unsigned int milliseconds) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetGrabTimeout(int handle, unsigned int *milliseconds) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SetBufferCount(int handle, unsigned int count) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetBufferCount(int handle, unsigned int *count) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_InitBuffer(int handle, struct _bnkBuffer *image, int bytesPerPixel) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GrabImage(int handle, struct _bnkBuffer *image) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_SingleGrabImage(int handle, struct _bnkBuffer *image) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetImageAvailable(int handle, unsigned int *available) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetGrabCount(int handle, uint64_t *blocks, uint64_t *errors) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetFrameRate(int handle, double *rate) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_GetBandwidth(int handle, double *mbps) KY_CAMCTRL_NOEXCEPT;

/* ---- Callbacks -------------------------------------------------------------------------------
 * Grab callbacks run on a thread of the library's own (one per camera) while at least one is
 * registered: GrabNewImage gets each whole image, with `data` pointing into the library's memory
 * (valid until the callback returns; imageSize is the payload's size); GrabTimeout gets each block
 * that did not arrive whole in time (image null; without a GrabTimeout callback these go to
 * GrabError); GrabError the other failed blocks. While a grab callback is registered ST_GrabImage
 * gives BNK_ERR_BUSY. Removing the last one stops that thread and, except from inside a callback,
 * waits for it: ST_GrabImage works at once afterwards. A registration replaces an earlier one of
 * the same type.
 * Event callbacks run on the library's event threads. Registering an event ID (bnkEventId) asks
 * the camera for it (EventSelector, EventNotification "On"); the camera's refusal is returned and
 * the callback is not registered. Unregistering switches it off again. EventDeviceDisconnect
 * needs no camera feature: it is called when the link to the camera is lost (host time stamp,
 * no data); the camera is then no longer open (ST_IsOpenDevice false) and is closed with
 * ST_CloseDevice as usual.
 * An unknown type or ID, or a null callback, gives BNK_ERR_INVALID_PARAMETER and changes nothing.
 * ST_CloseDevice waits for running callbacks, and none is called once it returned; a callback
 * cannot close its own camera (BNK_ERR_BUSY) nor free the system. Callbacks may call the other
 * functions, and unregister themselves. */
KY_CAMCTRL_API int ST_RegisterGrabCallback(int handle, int type, GrabCallback callback,
                                           void *user) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_UnregisterGrabCallback(int handle, int type) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_RegisterEventCallback(int handle, int eventId, EventCallback callback,
                                            void *user) KY_CAMCTRL_NOEXCEPT;
KY_CAMCTRL_API int ST_UnregisterEventCallback(int handle, int eventId) KY_CAMCTRL_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* KY_CAMCTRL_BNKCAMCTRL_H */
