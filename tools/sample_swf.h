#pragma once
// Small valid SWF movies made on the spot, for the sample cache and the
// benchmarks: a stage size, a background colour and a number of frames, with
// a picture in the background's colours that moves from frame to frame.

#include <cstdint>
#include <string>

namespace fh::sample {

// A plain ("FWS") or zlib-compressed ("CWS") movie. More frames make a larger
// file. With a title the movie carries metadata and says it uses
// ActionScript 3.
std::string MakeSwf(bool compressed, std::uint32_t backgroundRgb, int frames, const std::string& title = "");

}  // namespace fh::sample
