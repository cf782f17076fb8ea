// Stands in for <png.h> when the core is compiled: the core uses no platform header.
#error "<png.h> is a platform header; only host/ and tools/ may include it"
