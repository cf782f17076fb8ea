// Stands in for <fcntl.h> when the core is compiled: the core uses no platform header.
#error "<fcntl.h> is a platform header; only host/ and tools/ may include it"
