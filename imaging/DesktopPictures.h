#pragma once

#include "imaging/DibSurface.h"
#include "imaging/ImagingPlatform.h"

class ProfileStore;

// What a surface shows of the desktop and of the program's own pictures, through the services
// the caller hands over. A missing service (null) counts as one that fails.

// The desktop from (x, y), in the coordinates of the whole desktop, over the whole surface. The
// surface keeps its pixels when the screen cannot be read.
void CaptureScreen(DibSurface& surface, DesktopSource* pDesktop, int x, int y);
// The wallpaper over the whole surface; black without a readable one. False without pixels.
bool PaintDesktopInto(DibSurface& surface, DesktopSource* pDesktop);
// Embedded picture nId drawn at the top-left corner over white; with bCreate the surface is
// first made at the picture's size (24-bit). False when there is no such picture.
[[nodiscard]] bool LoadBitmapResource(DibSurface& surface, BitmapResources* pResources,
                                      unsigned nId, bool bCreate);

// The stored "MMX" switch ("Technology", "MMX"; 1 when missing): the scale-128 mix is used when
// it is 1 and the processor has MMX. Read once at start.
bool ReadMmxSwitch(ProfileStore& profile);
