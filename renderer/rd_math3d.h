// 4x4 matrices (16 floats, column-major: element 4c + r is row r of column
// c) and 4-vectors, on collected float arrays for the program and on raw
// storage for the renderer's own globals.
#pragma once

#include <cstdint>

#include "runtime/rt_array.h"

// A call whose arrays are shorter than it needs (or whose offsets do not
// fit) changes nothing.

// A new identity matrix.
Array<float> math3d_Mat4New();
void math3d_Mat4Identity(const Array<float> &dst);
void math3d_Mat4Copy(const Array<float> &src, const Array<float> &dst);
// The 16 elements in storage order.
void math3d_Mat4Init(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7, float m8,
                     float m9, float m10, float m11, float m12, float m13, float m14, float m15,
                     const Array<float> &dst);
void math3d_Mat4InitDiagonal(float ix, float jy, float kz, float tw, const Array<float> &dst);
// dst = a x b; every input is read before dst is written, so dst may be a
// or b.
void math3d_Mat4Multiply(const Array<float> &a, const Array<float> &b, const Array<float> &dst);
// dst = m x v; v may be dst.
void math3d_Mat4Transform(const Array<float> &m, const Array<float> &v, const Array<float> &dst);
// An orthographic projection; m10 = 2 / (f - n), positive.
void math3d_Mat4Ortho(float l, float r, float b, float t, float n, float f, const Array<float> &dst);
void math3d_Vec4Init(float x, float y, float z, float w, const Array<float> &dst);
void math3d_Vec4Copy(const Array<float> &src, const Array<float> &dst);
void math3d_Vec4CopyAt(const Array<float> &src, const Array<float> &dst, int32_t srcOff, int32_t dstOff);

// The same products on raw 16-float storage; dst may alias a, b or v.
void gfx2_Mat4Multiply(const float *a, const float *b, float *dst);
void gfx2_Mat4Transform(const float *m, const float *v, float *dst);
