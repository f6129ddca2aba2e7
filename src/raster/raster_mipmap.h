#pragma once
// Smaller copies of an image for drawing it smaller than its size: sampled
// at its own size, a smoothed image drawn at a third picks one texel of
// every three and speckles; the copy nearest the drawn size averages them
// (Flash Player draws smoothed bitmaps from such halved copies too).

#include <vector>

#include "raster/raster_image.h"
#include "raster/raster_path.h"

namespace fh {

// The image at half its size (a side of n texels to (n + 1) / 2), each
// texel the mean of the 2 x 2 it covers, an odd side's last texel counted
// twice.
RasterImage RasterHalfSize(const RasterImage& image);

// The image's halved copies down to a texel: `copies[k]` halved k + 1 times.
std::vector<RasterImage> RasterMipmaps(const RasterImage& image);

// How many times to halve an image placed by `imageToDevice` before drawing
// it: the most that leaves its texels no larger than a pixel along the axis
// it is minified most (0 at its own size or larger, and for a singular
// matrix), at most `most`.
int RasterMipLevel(const RasterMatrix& imageToDevice, int most);

// `imageToDevice` for a smaller copy of `image`, whose texels each stand
// for more of the original's.
RasterMatrix RasterMipMatrix(const RasterMatrix& imageToDevice, const RasterImage& image, const RasterImage& copy);

}  // namespace fh
