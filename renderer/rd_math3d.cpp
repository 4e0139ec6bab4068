#include "renderer/rd_math3d.h"

#include <cstring>

void gfx2_Mat4Multiply(const float *a, const float *b, float *dst) {
    float out[16];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            out[4 * c + r] =
                a[r] * b[4 * c] + a[4 + r] * b[4 * c + 1] + a[8 + r] * b[4 * c + 2] + a[12 + r] * b[4 * c + 3];
    std::memcpy(dst, out, sizeof out);
}

void gfx2_Mat4Transform(const float *m, const float *v, float *dst) {
    float out[4];
    for (int r = 0; r < 4; ++r) out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
    std::memcpy(dst, out, sizeof out);
}

Array<float> math3d_Mat4New() {
    Array<float> m(16);
    math3d_Mat4Identity(m);
    return m;
}

void math3d_Mat4Identity(const Array<float> &dst) {
    if (dst.Length() < 16) return;
    for (int i = 0; i < 16; ++i) dst[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void math3d_Mat4Copy(const Array<float> &src, const Array<float> &dst) {
    if (src.Length() < 16 || dst.Length() < 16) return;
    std::memmove(dst.Data(), src.Data(), 16 * sizeof(float));
}

void math3d_Mat4Init(float m0, float m1, float m2, float m3, float m4, float m5, float m6, float m7, float m8,
                     float m9, float m10, float m11, float m12, float m13, float m14, float m15,
                     const Array<float> &dst) {
    if (dst.Length() < 16) return;
    const float m[16] = {m0, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12, m13, m14, m15};
    std::memcpy(dst.Data(), m, sizeof m);
}

void math3d_Mat4InitDiagonal(float ix, float jy, float kz, float tw, const Array<float> &dst) {
    math3d_Mat4Init(ix, 0, 0, 0, 0, jy, 0, 0, 0, 0, kz, 0, 0, 0, 0, tw, dst);
}

void math3d_Mat4Multiply(const Array<float> &a, const Array<float> &b, const Array<float> &dst) {
    if (a.Length() < 16 || b.Length() < 16 || dst.Length() < 16) return;
    gfx2_Mat4Multiply(a.Data(), b.Data(), dst.Data());
}

void math3d_Mat4Transform(const Array<float> &m, const Array<float> &v, const Array<float> &dst) {
    if (m.Length() < 16 || v.Length() < 4 || dst.Length() < 4) return;
    gfx2_Mat4Transform(m.Data(), v.Data(), dst.Data());
}

void math3d_Mat4Ortho(float l, float r, float b, float t, float n, float f, const Array<float> &dst) {
    math3d_Mat4Init(2 / (r - l), 0, 0, 0, 0, 2 / (t - b), 0, 0, 0, 0, 2 / (f - n), 0, -(l + r) / (r - l),
                    -(b + t) / (t - b), -(n + f) / (f - n), 1, dst);
}

void math3d_Vec4Init(float x, float y, float z, float w, const Array<float> &dst) {
    if (dst.Length() < 4) return;
    dst[0] = x;
    dst[1] = y;
    dst[2] = z;
    dst[3] = w;
}

void math3d_Vec4Copy(const Array<float> &src, const Array<float> &dst) { math3d_Vec4CopyAt(src, dst, 0, 0); }

void math3d_Vec4CopyAt(const Array<float> &src, const Array<float> &dst, int32_t srcOff, int32_t dstOff) {
    if (srcOff < 0 || dstOff < 0) return;
    if (static_cast<int64_t>(srcOff) + 4 > src.Length() || static_cast<int64_t>(dstOff) + 4 > dst.Length()) return;
    std::memmove(dst.Data() + dstOff, src.Data() + srcOff, 4 * sizeof(float));
}
