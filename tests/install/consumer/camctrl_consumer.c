/* A C program of a user's project, built against the installed camera control library only.
 * It opens no socket: it asks the library about its system object before and after creating it. */
#include <stdbool.h>
#include <stdio.h>

#include "ky/camctrl/bnkCamCtrl.h"

int main(void)
{
    bool initialised = true;
    int before = ST_IsInitSystem(&initialised);
    printf("before init: %d %s (%s)\n", before, initialised ? "true" : "false",
           ST_GetLastErrorDescription(0));
    if (ST_InitSystem() != BNK_OK)
        return 1;
    int after = ST_IsInitSystem(&initialised);
    printf("after init: %d %s (%s)\n", after, initialised ? "true" : "false", ST_GetLastErrorDescription(0));
    printf("free: %d\n", ST_FreeSystem());
    return before == BNK_ERR_NO_SYSTEM && after == BNK_OK ? 0 : 1;
}
