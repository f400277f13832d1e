// LoadPNG: reads one PNG file, inflates and unfilters its image data, converts the
// pixels, applies transparency and alpha against a background and draws the result into
// a picture surface. The public members below, in this order, are the class's interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "png/Inflate.h"
#include "png/PictureSurface.h"
#include "png/Scanlines.h"

namespace dirsheet::png {

// The image as the scanline stage leaves it, before any conversion.
struct DecodedImage {
    const ImageHeader& header;
    const std::vector<uint8_t>& pixels;
    const std::vector<uint8_t>& palette;
    const std::vector<uint8_t>& transparency;  // tRNS bytes, empty without a tRNS chunk
};

// Receives the unfiltered image of every successful decode (tools and tests).
class DecodeObserver {
public:
    virtual ~DecodeObserver() = default;
    virtual void OnScanlines(const DecodedImage& image) = 0;
};

// Limits that keep a small file from reserving gigabytes: width and height, and the
// inflated image data the header announces.
constexpr long kMaxImageDimension = 1L << 24;
constexpr uint64_t kMaxInflatedSize = uint64_t{512} << 20;

class LoadPNG;
// Decodes a file held in memory exactly as OpenPNG decodes a file read from disk.
long OpenPNGFromMemory(LoadPNG& decoder, const uint8_t* bytes, size_t size);

class LoadPNG {
public:
    explicit LoadPNG(DecodeObserver* observer = nullptr) : observer_(observer) {}

    long OpenPNG(const std::string& filename);
    long Width() const { return header_.width; }
    long Height() const { return header_.height; }
    long Bitdepht() const { return header_.bitDepth; }
    long ColorType() const { return header_.colourType; }
    long Compression() const { return header_.compression; }
    long filter() const { return header_.filterMethod; }
    long Interlacing() const { return header_.interlace; }
    long ErrorNumber() const { return errorNumber_; }
    bool HaveAlpha() const { return haveAlpha_; }
    bool HaveTransparence() const { return haveTransparence_; }
    void SetTrans(bool vNewValue) { setTrans_ = vNewValue; }
    void SetAlpha(bool vNewValue) { setAlpha_ = vNewValue; }
    bool HasBKGDChunk() const { return hasBkgd_; }
    long BkgdColor() const { return bkgdColor_; }
    std::string Text() const { return text_; }
    std::string zText() const { return zText_; }
    std::string ModiTime() const { return modiTime_; }
    double gama() const { return static_cast<double>(gamma_) / 100000.0; }
    void BackgroundPicture(PictureSurface* vNewValue) { backgroundPicture_ = vNewValue; }
    void SetOwnBkgndColor(bool OwnBkgndOn, long BackColor) {
        ownBkgndOn_ = OwnBkgndOn;
        ownBkgndColor_ = BackColor;
    }
    void PicBox(PictureSurface* NewPicBox) { picBox_ = NewPicBox; }
    void SetToBkgrnd(bool SetToBG, long x, long y) {
        setToBG_ = SetToBG;
        x_ = x;
        y_ = y;
    }

private:
    friend long OpenPNGFromMemory(LoadPNG& decoder, const uint8_t* bytes, size_t size);

    void Read(const uint8_t* bytes, size_t size);
    bool ReadChunks(const uint8_t* bytes, size_t size);
    void OnHeader(const std::vector<uint8_t>& data);
    void OnBackground(const std::vector<uint8_t>& data);
    void OnTime(const std::vector<uint8_t>& data);
    void OnCompressedText(const std::vector<uint8_t>& data);
    void Decode();
    void ConvertAndDraw(std::vector<uint8_t> pixels);
    std::vector<uint8_t> Blend(const std::vector<uint8_t>& image32);

    DecodeObserver* observer_;
    Inflater inflater_;

    ImageHeader header_;
    std::vector<uint8_t> imageData_;
    std::vector<uint8_t> palette_;
    std::vector<uint8_t> transparency_;
    std::vector<uint8_t> background_;

    long errorNumber_ = 0;
    bool hasBkgd_ = false;
    long bkgdColor_ = 0;
    bool haveTransparence_ = false;
    bool haveAlpha_ = false;
    std::string text_;
    std::string zText_;
    std::string modiTime_;
    int32_t gamma_ = 0;

    bool setTrans_ = false;
    bool setAlpha_ = false;
    PictureSurface* backgroundPicture_ = nullptr;
    bool ownBkgndOn_ = false;
    long ownBkgndColor_ = 0;
    PictureSurface* picBox_ = nullptr;
    bool setToBG_ = false;
    long x_ = 0;
    long y_ = 0;
};

// The decoded image as 8-bit RGBA, top row first, before any blending: alpha from the
// image or from tRNS (16-bit keys matched against the full samples), 255 otherwise;
// 16-bit samples keep their high byte.
std::vector<uint8_t> ToRgba(const DecodedImage& image);

}  // namespace dirsheet::png
