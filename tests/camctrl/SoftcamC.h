/* What the C test programs of the camera library share: a clock, a sleep, a soft camera of their
 * own (softcam on kyc1 of the private namespace, HOME in a fresh folder) and finding it by
 * enumeration. */
#ifndef CAMCTRL_SOFTCAM_C_H
#define CAMCTRL_SOFTCAM_C_H

#include <sys/types.h>

double Now(void);
void SleepMs(double ms);

/* Points HOME at a fresh folder and starts softcam with the serial number and further options
 * (NULL-terminated, may be NULL). 0 on success; the folder's name is kept in home. */
int StartSoftcam(const char *serial, char *const *options, pid_t *softcam, char *home, size_t homeSize);
/* Stops softcam and removes the HOME folder. */
void StopSoftcam(pid_t softcam, const char *home);

/* The enumeration index of the camera whose device ID holds "_SN_" + serial, waiting (bounded by
 * seconds) for discovery to find it; -1 when it never did. */
int FindCamera(const char *serial, double seconds);

#endif
