// Stands in for <spawn.h> when the core is compiled: the core uses no platform header.
#error "<spawn.h> is a platform header; only host/ and tools/ may include it"
