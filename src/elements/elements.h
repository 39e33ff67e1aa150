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
// draw_to of the point (u, v) of a frame turned by `angle` degrees and placed at (ox, oy).
void draw_rotated_to(Graphics& g, int window, int view, float u, float v, int pen, float ox,
                     float oy, float angle);
// 20 points of the circle about (cu, cv) in that frame, from a_start to a_end degrees, the first a
// move; a negative radius puts the points on the opposite side of the centre.
void draw_rotated_arc(Graphics& g, int window, int view, float cu, float cv, float radius,
                      float a_start, float a_end, float ox, float oy, float angle);

void prepare_grating(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_grating(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);

void prepare_focal_plane(Workspace& ws, const ElementRecord& e, int k, int mode);
void trace_focal_plane(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k);
void fill_logical_box(Graphics& g, int window, float left, float bottom, float width,
                      float height);

// Outline only: the cylindrical lens has no window and no ray interaction.
void prepare_cylindrical_lens(Workspace& ws, const ElementRecord& e, int k, int mode);
// draw_to of the lens point (r along the axis, s across it, z = height/2) of a lens at (xo, yo)
// with axis angle fi, turned by psi_n degrees about its axis and projected onto the scheme plane.
void draw_lens_point(Graphics& g, int window, int view, float r, float s, int pen, float xo,
                     float yo, float fi, float height, float psi_n);

}  // namespace lumi
