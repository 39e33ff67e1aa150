// The sphere's steps (spherical_surface.h) together with the lanes they run on N rays at a time
// (tracing/lanes.h): what an element that traces on lanes includes.
#pragma once

#include "elements/spherical_surface.h"
#include "tracing/lanes.h"
