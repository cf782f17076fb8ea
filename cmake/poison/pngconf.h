// Stands in for <pngconf.h> when the core is compiled: the core uses no platform header.
#error "<pngconf.h> is a platform header; only host/ and tools/ may include it"
