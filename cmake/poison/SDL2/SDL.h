// Stands in for <SDL2/SDL.h> when the core is compiled: the core uses no platform header.
#error "<SDL2/SDL.h> is a platform header; only host/ and tools/ may include it"
