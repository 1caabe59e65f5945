// The reference pattern scanner of the fuzz targets; see scanp_reference.cpp.
#ifndef TAFCVT_FUZZ_SCANP_REFERENCE_H
#define TAFCVT_FUZZ_SCANP_REFERENCE_H

#include "scanp.h"

namespace scanp_reference {

// As scanp_args, without trace lines.
int scan(parse_param* param, const char* pat, const ScanArg* args, int nargs);

}  // namespace scanp_reference

#endif
