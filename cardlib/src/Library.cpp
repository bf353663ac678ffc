// The shared library libtlv880a.so: the engine and its exports come from tlv880a_core, linked in
// whole; this file only gives the library a source of its own.
#include "tlv880a.h"
