/* The smallest executable the toolchain makes with a version resource: a
   seed of the header walk's fuzz target, a few KiB where the client has
   more than a MiB of code the walk never reads. */
int entry(void) { return 0; }
