/* The interface of the external functions library: a site's own shared library
 * that the capture station loads at run time ("External Functions" of "Program
 * Settings") and calls at fixed moments. Every entry point is optional and uses
 * the C calling convention; the library must not let exceptions escape. */
#ifndef BX_EXTERNAL_FUNCTIONS_API_H
#define BX_EXTERNAL_FUNCTIONS_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* The station's log, as "Init" receives it. The strings stay valid for the
 * life of the program. */
struct BxLogInfo {
    const char* name;    /* the log's name */
    int enabled;         /* non-zero when the log is written */
    const char* path;    /* the log file */
    int timestamps;      /* non-zero when lines carry the time */
};

/* "Init": once after each loading of the settings, on the user-interface thread.
 * `window` is the main window's opaque handle, null when the station runs
 * without a display. */
typedef void BxInitFunction(void* window, const struct BxLogInfo* log);

/* "PreTrigger": on every accepted rising edge of the trigger signal, on the
 * trigger thread, before the sound and the delay; the shot waits for it.
 * Returns 0 to refuse the shot, BX_PRETRIGGER_TIMEOUT when the library gave up
 * waiting (the shot goes on), anything else to allow it. */
typedef int BxPreTriggerFunction(void);
#define BX_PRETRIGGER_TIMEOUT (-1)

#ifdef __cplusplus
}
#endif

#endif
