// Stands in for <dirent.h> when the core is compiled: the core uses no platform header.
#error "<dirent.h> is a platform header; only host/ and tools/ may include it"
