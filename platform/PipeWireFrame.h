#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "imaging/ImagingPlatform.h"

// One frame of a compositor's screencast, a PipeWire video stream: the first frame with pixels
// that node `nodeId` of the session's PipeWire daemon sends, in shared memory, 32 bits a pixel;
// nothing (the reason in strError) when none came within timeoutMs.
std::optional<PlatformImage> ReadPipeWireFrame(uint32_t nodeId, int timeoutMs,
                                               std::string& strError);
