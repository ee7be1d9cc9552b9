/* Preloaded into the demo by the end-to-end test: records every swap-interval request.
 *
 * The demo reaches the swap-control functions through glXGetProcAddressARB; this library
 * answers those look-ups with wrappers that append one line per request to the file named by
 * QUORVEX_SWAP_LOG, then call the driver's function:
 *   <extension> interval=<n> swaps_before=<buffer swaps so far> read_back=<n, or -1>
 * read_back is the interval the driver reports afterwards through glXGetSwapIntervalMESA,
 * where it offers that; 0 there means the driver does not sync (Mesa's software rasteriser
 * under Xvfb). QUORVEX_SWAP_OFFER, when set, is added to the GLX extension string the demo
 * sees, so that it takes a swap-control path the test display's driver does not name. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef void (*Proc)(void);
typedef Proc (*GetProc)(const GLubyte*);
typedef void (*SwapIntervalExt)(Display*, GLXDrawable, int);
typedef int (*SwapIntervalMesa)(unsigned int);
typedef int (*SwapIntervalSgi)(int);
typedef int (*GetSwapIntervalMesa)(void);
typedef void (*SwapBuffers)(Display*, GLXDrawable);
typedef const char* (*QueryExtensionsString)(Display*, int);

static long swapsSoFar;
static SwapIntervalExt realExt;
static SwapIntervalMesa realMesa;
static SwapIntervalSgi realSgi;

static Proc realProcAddress(const char* name) {
    GetProc get = (GetProc)dlsym(RTLD_NEXT, "glXGetProcAddressARB");
    return get ? get((const GLubyte*)name) : NULL;
}

static void record(const char* extension, int interval) {
    const char* path = getenv("QUORVEX_SWAP_LOG");
    Display* display = glXGetCurrentDisplay();
    int readBack = -1;
    if (display) {
        QueryExtensionsString query =
            (QueryExtensionsString)dlsym(RTLD_NEXT, "glXQueryExtensionsString");
        const char* offered = query ? query(display, DefaultScreen(display)) : NULL;
        GetSwapIntervalMesa get = (GetSwapIntervalMesa)realProcAddress("glXGetSwapIntervalMESA");
        if (offered && strstr(offered, "GLX_MESA_swap_control") && get)
            readBack = get();
    }
    FILE* out = path ? fopen(path, "a") : NULL;
    if (!out)
        return;
    fprintf(out, "%s interval=%d swaps_before=%ld read_back=%d\n", extension, interval, swapsSoFar,
            readBack);
    fclose(out);
}

static void recordExt(Display* display, GLXDrawable drawable, int interval) {
    realExt(display, drawable, interval);
    record("GLX_EXT_swap_control", interval);
}

static int recordMesa(unsigned int interval) {
    const int result = realMesa(interval);
    record("GLX_MESA_swap_control", (int)interval);
    return result;
}

static int recordSgi(int interval) {
    const int result = realSgi(interval);
    record("GLX_SGI_swap_control", interval);
    return result;
}

static Proc wrap(const GLubyte* name, Proc real) {
    if (!real)
        return NULL;
    if (strcmp((const char*)name, "glXSwapIntervalEXT") == 0) {
        realExt = (SwapIntervalExt)real;
        return (Proc)recordExt;
    }
    if (strcmp((const char*)name, "glXSwapIntervalMESA") == 0) {
        realMesa = (SwapIntervalMesa)real;
        return (Proc)recordMesa;
    }
    if (strcmp((const char*)name, "glXSwapIntervalSGI") == 0) {
        realSgi = (SwapIntervalSgi)real;
        return (Proc)recordSgi;
    }
    return real;
}

const char* glXQueryExtensionsString(Display* display, int screen) {
    static char offered[8192];
    QueryExtensionsString real =
        (QueryExtensionsString)dlsym(RTLD_NEXT, "glXQueryExtensionsString");
    const char* extensions = real ? real(display, screen) : NULL;
    const char* extra = getenv("QUORVEX_SWAP_OFFER");
    if (!extra || !*extra)
        return extensions;
    snprintf(offered, sizeof offered, "%s %s", extensions ? extensions : "", extra);
    return offered;
}

Proc glXGetProcAddressARB(const GLubyte* name) {
    return wrap(name, realProcAddress((const char*)name));
}

Proc glXGetProcAddress(const GLubyte* name) {
    return wrap(name, realProcAddress((const char*)name));
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    SwapBuffers real = (SwapBuffers)dlsym(RTLD_NEXT, "glXSwapBuffers");
    ++swapsSoFar;
    if (real)
        real(display, drawable);
}
