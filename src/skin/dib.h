// An uncompressed Windows bitmap held as one packed block: the 40-byte BITMAPINFOHEADER (plus
// whatever larger header the file had), the colour table if any, then the pixel rows bottom-up,
// each padded to 4 bytes. Skin bitmaps are loaded into it; snapshots are saved from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace vt {

// Bytes of colour table behind the header: 64 for 4 bits, biClrUsed * 4 (1024 when 0) for 8 bits,
// none otherwise.
uint64_t DibColorTableSize(const BITMAPINFOHEADER& header);
// Bytes per pixel row: (bitCount * width / 8 + 3) rounded down to a multiple of 4. 0 for a
// negative width.
uint64_t DibStride(int bitCount, int32_t width);

// Loading refuses widths or heights above this, whatever the file holds.
constexpr int32_t kMaxDibDimension = 32768;

class CDib {
 public:
  CDib() = default;
  // One packed block of the header (40 bytes) followed by biSizeImage pixel bytes copied from
  // pixels. keepSources 1: the caller keeps both blocks. keepSources 0: they are freed here,
  // header with delete and pixels with delete[].
  CDib(BITMAPINFOHEADER* header, uint8_t* pixels, int keepSources);
  // Copying form of the above (the caller keeps its blocks).
  CDib(const BITMAPINFOHEADER& header, const uint8_t* pixels);
  virtual ~CDib();
  CDib(const CDib&) = delete;
  CDib& operator=(const CDib&) = delete;
  CDib(CDib&& other) noexcept;
  CDib& operator=(CDib&& other) noexcept;

  // 1 and the held bitmap replaced on success. 0 on failure: when the file could be opened the
  // bitmap is dropped (width and height 0); when it could not be opened nothing changes.
  int Load(const std::string& path);
  // The same rules applied to a whole bitmap file already in memory.
  int LoadFromMemory(const uint8_t* data, size_t size);
  // Writes a bitmap file (the file is replaced, never left with a stale tail). 1 on success, 0 on
  // any failure or when empty.
  int Save(const std::string& path) const;
  // The bitmap file Save writes, in memory; empty when empty.
  std::string FileBytes() const;
  // Frees the held block.
  void Clear();

  bool IsEmpty() const { return m_pDib == nullptr || m_nWidth == 0 || m_nHeight == 0; }
  int32_t GetWidth() const { return m_nWidth; }
  int32_t GetHeight() const { return m_nHeight; }
  // The packed block (header first), null when empty; GetPackedSize bytes long.
  const uint8_t* GetPackedDib() const { return m_pDib; }
  uint8_t* GetPackedDib() { return m_pDib; }
  size_t GetPackedSize() const { return m_nBlockSize; }
  const BITMAPINFOHEADER* GetHeader() const { return reinterpret_cast<const BITMAPINFOHEADER*>(m_pDib); }
  // First byte of the bottom row; GetPixelBytes bytes follow.
  const uint8_t* GetPixels() const { return m_pDib ? m_pDib + m_nPixelOffset : nullptr; }
  uint8_t* GetPixels() { return m_pDib ? m_pDib + m_nPixelOffset : nullptr; }
  size_t GetPixelBytes() const { return m_pDib ? m_nBlockSize - m_nPixelOffset : 0; }
  // Offset of the pixels inside the packed block: biSize + colour-table size.
  size_t GetPixelOffset() const { return m_nPixelOffset; }
  uint64_t GetStride() const;

 private:
  void Adopt(uint8_t* block, size_t blockSize, size_t pixelOffset);
  void FromHeaderAndPixels(const BITMAPINFOHEADER& header, const uint8_t* pixels);

  int32_t m_nWidth = 0;
  int32_t m_nHeight = 0;
  uint8_t* m_pDib = nullptr;  // owned, new[]
  size_t m_nBlockSize = 0;
  size_t m_nPixelOffset = 0;
};

}  // namespace vt
