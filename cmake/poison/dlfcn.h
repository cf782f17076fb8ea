// Stands in for <dlfcn.h> when the core is compiled: the core uses no platform header.
#error "<dlfcn.h> is a platform header; only host/ and tools/ may include it"
