// Stands in for <sys/mman.h> when the core is compiled: the core uses no platform header.
#error "<sys/mman.h> is a platform header; only host/ and tools/ may include it"
