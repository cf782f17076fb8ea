// Stands in for <xmp.h> when the core is compiled: the core uses no platform header.
#error "<xmp.h> is a platform header; only host/ and tools/ may include it"
