// Stands in for <SDL.h> when the core is compiled: the core uses no platform header.
#error "<SDL.h> is a platform header; only host/ and tools/ may include it"
