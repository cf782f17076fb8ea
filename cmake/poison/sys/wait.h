// Stands in for <sys/wait.h> when the core is compiled: the core uses no platform header.
#error "<sys/wait.h> is a platform header; only host/ and tools/ may include it"
