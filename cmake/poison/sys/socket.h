// Stands in for <sys/socket.h> when the core is compiled: the core uses no platform header.
#error "<sys/socket.h> is a platform header; only host/ and tools/ may include it"
