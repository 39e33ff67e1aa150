// The preparation and tracing routines of every element kind, one source file per kind.
// Preparation: mode 2 draws only the outline in the scheme window in the current colour; any other
// mode also stores the anchor, opens window k and draws the aperture there.
#pragma once

#include "model/element.h"
#include "tracing/ray.h"
#include "tracing/workspace.h"

namespace lumi {

void prepare_source(Workspace& ws, const ElementRecord& e, int mode);
void trace_source(Workspace& ws, const ElementRecord& e, RayBundle& rays);

void prepare_outer_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_outer_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);
void prepare_inner_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_inner_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);
void prepare_rect_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_rect_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_flat_mirror(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_flat_mirror(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_spherical_mirror(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_spherical_mirror(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_ideal_lens(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_ideal_lens(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_spherical_lens(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_spherical_lens(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_grating(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_grating(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_focal_plane(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_focal_plane(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);
void fill_logical_box(Graphics& g, int window, float left, float bottom, float width,
                      float height);

// Outline only: the cylindrical lens has no window and no ray interaction.
void prepare_cylindrical_lens(Workspace& ws, const ElementRecord& e, int k, int mode);

}  // namespace lumi
