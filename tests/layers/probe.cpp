// Compiled, not linked, against one layer of the host with the header it names: whether that
// layer can see it.
#include VORN_PROBED_HEADER
