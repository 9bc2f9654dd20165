#include "render/narrowtile.h"

#include "render/pixeltarget.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VARNHOLD_AVX2 1
#endif

namespace {

void compositeRows(QRgb* line, qsizetype stride, const QRgb* source, qsizetype sourceStride, int width, int height,
                   bool cutout)
{
    for (int row = 0; row < height; ++row, source += sourceStride, line += stride) {
        if (cutout)
            copyCutout(line, source, width);
        else
            compositeRun(line, source, width);
    }
}

#ifdef VARNHOLD_AVX2
#define VARNHOLD_TARGET_AVX2 __attribute__((target("avx2")))

// Each pixel's (255 - alpha) in all four of its 16-bit channels.
VARNHOLD_TARGET_AVX2 inline __m256i remainingAvx2(__m256i pixels)
{
    __m256i alpha = _mm256_shufflelo_epi16(pixels, _MM_SHUFFLE(3, 3, 3, 3));
    alpha = _mm256_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
    return _mm256_sub_epi16(_mm256_set1_epi16(255), alpha);
}

VARNHOLD_TARGET_AVX2 inline __m256i blendAvx2(__m256i below, __m256i weight)
{
    const __m256i product = _mm256_mullo_epi16(below, weight);
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(product, _mm256_srli_epi16(product, 8)), _mm256_set1_epi16(0x80)), 8);
}

// compositeRun() and copyCutout() eight pixels at a time, with the same
// arithmetic; the rest of a row goes through them.
VARNHOLD_TARGET_AVX2 void compositeRowsAvx2(QRgb* line, qsizetype stride, const QRgb* source,
                                            qsizetype sourceStride, int width, int height, bool cutout)
{
    const __m256i zero = _mm256_setzero_si256();
    for (int row = 0; row < height; ++row, source += sourceStride, line += stride) {
        int k = 0;
        for (; k + 8 <= width; k += 8) {
            const __m256i over = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + k));
            const __m256i below = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + k));
            __m256i result;
            if (cutout) {
                result = _mm256_or_si256(over, _mm256_andnot_si256(_mm256_srai_epi32(over, 31), below));
            } else {
                // Unpacking and packing stay within each half of the
                // register, so the pixels come back in their order.
                const __m256i low
                    = blendAvx2(_mm256_unpacklo_epi8(below, zero), remainingAvx2(_mm256_unpacklo_epi8(over, zero)));
                const __m256i high
                    = blendAvx2(_mm256_unpackhi_epi8(below, zero), remainingAvx2(_mm256_unpackhi_epi8(over, zero)));
                result = _mm256_add_epi32(over, _mm256_packus_epi16(low, high));
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + k), result);
        }
        if (k < width)
            compositeRows(line + k, stride, source + k, sourceStride, width - k, 1, cutout);
    }
}
#endif

} // namespace

void compositeNarrowTile(QRgb* line, qsizetype stride, const QRgb* source, qsizetype sourceStride, int width,
                         int height, bool cutout)
{
#ifdef VARNHOLD_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        compositeRowsAvx2(line, stride, source, sourceStride, width, height, cutout);
        return;
    }
#endif
    compositeRows(line, stride, source, sourceStride, width, height, cutout);
}
