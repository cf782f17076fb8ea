// Stands in for <poll.h> when the core is compiled: the core uses no platform header.
#error "<poll.h> is a platform header; only host/ and tools/ may include it"
