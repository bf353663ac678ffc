#include "cTLV880a.h"
