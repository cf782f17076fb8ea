// Stands in for <termios.h> when the core is compiled: the core uses no platform header.
#error "<termios.h> is a platform header; only host/ and tools/ may include it"
