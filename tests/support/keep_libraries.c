/* Preloaded into the sanitizer test run: dlclose keeps every library mapped.
 *
 * The GL drivers (Mesa's swrast_dri.so under libEGL / libGLX) are unloaded while the process
 * exits, before LeakSanitizer looks for leaks. Memory the driver still held then shows up as
 * leaked from "<unknown module>", which no suppression can name. With the driver kept mapped,
 * those reports name the driver's own library and scripts/lsan.supp can suppress them by module,
 * while every leak in the demo's own code is still reported. */
int dlclose(void* handle) {
    (void)handle;
    return 0;
}
