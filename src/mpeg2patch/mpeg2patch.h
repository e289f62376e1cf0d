// Marks an MPEG-2 program-stream file 16:9 in place (`setwsflag`) or back 4:3
// (`resetwsflag`), editing only the bytes of sequence headers, sequence display extensions
// and RDI-PCK packets; the file keeps its length.
#pragma once

#include <string>

#include "app/runcontrol.h"

namespace kadrel {

/// Sets aspect ratio 16:9 in every sequence header, and according to modify_sde and
/// modify_rdi_pck in the extensions and RDI-PCK packets. A file that cannot be opened for
/// writing is left alone. keepfiletime puts the file's times back afterwards.
void setwsflag(const std::string& path, bool keepfiletime, const RunContext& ctx);

/// Sets aspect ratio 4:3 in every 16:9 sequence header and RDI-PCK packet; keeps the
/// file's times. A file that cannot be opened for writing is left alone.
void resetwsflag(const std::string& path, const RunContext& ctx);

}  // namespace kadrel
