#include "png/LoadPNG.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "png/ColourTables.h"
#include "png/PixelSteps.h"
#include "png/PngError.h"

namespace dirsheet::png {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Reads with bytes beyond the end of the file reading as 0.
uint8_t ByteAt(const uint8_t* bytes, size_t size, uint64_t at) { return at < size ? bytes[at] : 0; }

uint32_t BigEndian32(const uint8_t* bytes, size_t size, uint64_t at) {
    return (uint32_t{ByteAt(bytes, size, at)} << 24) | (uint32_t{ByteAt(bytes, size, at + 1)} << 16) |
           (uint32_t{ByteAt(bytes, size, at + 2)} << 8) | ByteAt(bytes, size, at + 3);
}

uint32_t BigEndian32(const std::vector<uint8_t>& d, size_t at) { return BigEndian32(d.data(), d.size(), at); }

std::string TwoDigits(unsigned v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02u", v);
    return buf;
}

bool ReadWholeFile(const std::string& filename, std::vector<uint8_t>& out, int& error) {
    // Opened read-only: a missing file must not be created, and read-only media work.
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(filename.c_str(), "rb"), &std::fclose);
    if (!f) {
        error = errno;
        return false;
    }
    uint8_t buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) out.insert(out.end(), buf, buf + n);
    if (std::ferror(f.get())) {
        error = EIO;
        return false;
    }
    return true;
}

// The valid pairings of colour type and bit depth.
bool SupportedFormat(long colourType, long depth) {
    switch (colourType) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case 2:
        case 4:
        case 6: return depth == 8 || depth == 16;
        default: return false;
    }
}

// Alpha 0 for every pixel whose 16-bit samples equal the tRNS values, 255 otherwise.
std::vector<uint8_t> KeyMask16(const std::vector<uint8_t>& pixels, size_t channels,
                               const std::vector<uint8_t>& trns, size_t count) {
    std::vector<uint8_t> mask(count, 255);
    if (trns.size() < channels * 2) return mask;
    const size_t bytes = channels * 2;
    for (size_t i = 0; i < count; ++i)
        if (std::memcmp(pixels.data() + i * bytes, trns.data(), bytes) == 0) mask[i] = 0;
    return mask;
}

}  // namespace

long OpenPNGFromMemory(LoadPNG& decoder, const uint8_t* bytes, size_t size) {
    decoder.Read(bytes, size);
    return 0;
}

long LoadPNG::OpenPNG(const std::string& filename) {
    std::vector<uint8_t> bytes;
    int error = 0;
    if (!ReadWholeFile(filename, bytes, error)) {
        if (error == ENOENT) {
            // A missing file reads as empty and so fails the signature test.
            bytes.clear();
        } else {
            throw PngError(PngError::Kind::FileSystem,
                           "cannot read " + filename + ": " + std::strerror(error));
        }
    }
    Read(bytes.data(), bytes.size());
    return 0;
}

void LoadPNG::Read(const uint8_t* bytes, size_t size) {
    hasBkgd_ = false;
    haveTransparence_ = false;
    imageData_.clear();
    // A palette or tRNS left over from the previous file must not colour this one.
    palette_.clear();
    transparency_.clear();
    imageData_.reserve(size);  // all image data lies in the file
    for (int i = 0; i < 8; ++i) {
        if (ByteAt(bytes, size, i) != kSignature[i]) {
            errorNumber_ = 1;
            return;
        }
    }
    if (!ReadChunks(bytes, size)) return;
    if (imageData_.empty()) {
        errorNumber_ = 4;
        return;
    }
    Decode();
}

bool LoadPNG::ReadChunks(const uint8_t* bytes, size_t size) {
    uint64_t pos = 8;
    std::vector<uint8_t> data;
    for (;;) {
        const uint32_t length = BigEndian32(bytes, size, pos);
        char type[5] = {};
        for (int i = 0; i < 4; ++i) type[i] = static_cast<char>(ByteAt(bytes, size, pos + 4 + i));
        pos += 8;
        // The data must end before the file does (the CRC may be cut short); lengths of
        // 2^31 or more are malformed.
        if (length >= 0x80000000u || pos + 1 + length > size) {
            errorNumber_ = 3;
            return false;
        }
        const uint8_t* const chunk = bytes + pos;
        pos += uint64_t{length} + 4;  // the CRC is not verified

        const std::string t(type, 4);
        if (t == "IDAT") {
            imageData_.insert(imageData_.end(), chunk, chunk + length);
            continue;
        }
        data.assign(chunk, chunk + length);
        if (t == "IHDR") {
            if (data.size() < 13) {
                errorNumber_ = 3;
                return false;
            }
            OnHeader(data);
        } else if (t == "PLTE") {
            palette_ = data;
        } else if (t == "IEND") {
            return true;
        } else if (t == "bKGD") {
            background_ = data;
            OnBackground(data);
            hasBkgd_ = true;
        } else if (t == "gAMA") {
            if (data.size() < 4) throw PngError(PngError::Kind::BadData, "gAMA chunk shorter than 4 bytes");
            gamma_ = static_cast<int32_t>(BigEndian32(data, 0));
        } else if (t == "tEXt") {
            text_.append(data.begin(), data.end());
            text_.push_back('\0');
        } else if (t == "zTXt") {
            OnCompressedText(data);
        } else if (t == "tIME") {
            OnTime(data);
        } else if (t == "tRNS") {
            haveTransparence_ = true;
            transparency_ = data;
        }
        // cHRM, oFFs, pCAL, sCAL, hIST, pHYs, sBIT, gIFg, gIFx and all others: ignored.
    }
}

void LoadPNG::OnHeader(const std::vector<uint8_t>& d) {
    header_.width = static_cast<int32_t>(BigEndian32(d, 0));
    header_.height = static_cast<int32_t>(BigEndian32(d, 4));
    header_.bitDepth = d[8];
    header_.colourType = d[9];
    header_.compression = d[10];
    header_.filterMethod = d[11];
    header_.interlace = d[12];
}

void LoadPNG::OnBackground(const std::vector<uint8_t>& d) {
    const long depth = header_.bitDepth;
    switch (header_.colourType) {
        case 0:
        case 4: {
            bkgdColor_ = 0;
            if (d.size() != 2 || depth < 1 || depth > 16) return;
            const unsigned v = (d[0] << 8) | d[1];
            const std::vector<Rgb> ramp = CBitmap::GreyRamp(depth);
            if (v > (1u << depth) - 1 || v >= ramp.size()) return;
            bkgdColor_ = ramp[v].red | (ramp[v].green << 8) | (ramp[v].blue << 16);
            return;
        }
        case 2:
        case 6: {
            bkgdColor_ = 0;
            if (d.size() != 6 || depth < 1 || depth > 16) return;
            const double maxSample = std::ldexp(1.0, static_cast<int>(depth)) - 1.0;
            long c[3];
            for (int i = 0; i < 3; ++i) {
                const unsigned v = (d[2 * i] << 8) | d[2 * i + 1];
                c[i] = std::lrint(static_cast<double>(v) / maxSample * 255.0);  // ties to even
                if (c[i] > 255) return;  // a sample beyond the bit depth
            }
            bkgdColor_ = c[0] + 256 * c[1] + 65536 * c[2];
            return;
        }
        case 3: {
            bkgdColor_ = 0;
            if (d.size() != 1) return;
            const size_t at = size_t{d[0]} * 3;
            if (at + 2 >= palette_.size()) return;
            bkgdColor_ = palette_[at] | (palette_[at + 1] << 8) | (palette_[at + 2] << 16);
            return;
        }
        default:
            return;  // other colour types leave the colour as it was
    }
}

void LoadPNG::OnTime(const std::vector<uint8_t>& d) {
    if (d.size() < 7) throw PngError(PngError::Kind::BadData, "tIME chunk shorter than 7 bytes");
    const unsigned year = (d[0] << 8) | d[1];
    modiTime_ = TwoDigits(d[3]) + "." + TwoDigits(d[2]) + "." + std::to_string(year) + " " + TwoDigits(d[4]) +
                ":" + TwoDigits(d[5]) + ":" + TwoDigits(d[6]);
}

void LoadPNG::OnCompressedText(const std::vector<uint8_t>& d) {
    const auto nul = std::find(d.begin(), d.end(), uint8_t{0});
    const size_t keyLength = static_cast<size_t>(nul - d.begin());
    // After the keyword: its NUL, the compression method and the two zlib header bytes.
    const size_t start = std::min(d.size(), keyLength + 4);
    std::vector<uint8_t> stream(d.begin() + static_cast<std::ptrdiff_t>(start), d.end());
    long expected = 12 * (static_cast<long>(stream.size()) - 1);
    long result = 0;
    inflater_.Inflate(stream, expected, false, result);
    zText_.append(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(keyLength));
    zText_.push_back('\0');
    zText_.append(stream.begin(), stream.end());
    zText_.push_back('\0');
}

void LoadPNG::Decode() {
    const ImageHeader& h = header_;
    if (h.width < 1 || h.height < 1 || h.width > kMaxImageDimension || h.height > kMaxImageDimension)
        throw PngError(PngError::Kind::LimitExceeded,
                       "image size " + std::to_string(h.width) + " x " + std::to_string(h.height) + " out of range");
    if (!SupportedFormat(h.colourType, h.bitDepth))
        throw PngError(PngError::Kind::Unsupported, "unsupported colour type " + std::to_string(h.colourType) +
                                                        " with bit depth " + std::to_string(h.bitDepth));

    const uint64_t rowSize = PackedRowBytes(h.width, BitsPerPixel(h)) + 1;
    uint64_t expected = rowSize * static_cast<uint64_t>(h.height);
    if (h.interlace == 1) expected += static_cast<uint64_t>(h.height);
    if (expected > kMaxInflatedSize)
        throw PngError(PngError::Kind::LimitExceeded, "image data of " + std::to_string(expected) + " bytes too large");

    // The two-byte zlib header is dropped unexamined; the trailer goes in but is never read.
    std::vector<uint8_t> data = std::move(imageData_);
    imageData_.clear();
    data.erase(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(2, data.size())));
    if (h.compression == 0) {
        long expectedSize = static_cast<long>(expected);
        long result = 0;
        inflater_.Inflate(data, expectedSize, false, result);
    }
    if (h.interlace == 0) data = UnfilterRows(std::move(data), h);
    else if (h.interlace == 1) data = Deinterlace(data, h);

    if (observer_) observer_->OnScanlines(DecodedImage{header_, data, palette_, transparency_});
    ConvertAndDraw(std::move(data));
}

std::vector<uint8_t> LoadPNG::Blend(const std::vector<uint8_t>& image32) {
    const long w = header_.width, h = header_.height;
    std::vector<uint8_t> background;
    const uint32_t solid = static_cast<uint32_t>(ownBkgndColor_ != 0 ? ownBkgndColor_ : bkgdColor_);
    if (backgroundPicture_) {
        PictureSurface& bg = *backgroundPicture_;
        // A background smaller than the image is widened first (sizes in twips).
        if (bg.Width() < bg.TwipsPerPixelX() * w) bg.SetWidth(bg.TwipsPerPixelX() * w + 100);
        if (bg.Height() < bg.TwipsPerPixelY() * h) bg.SetHeight(bg.TwipsPerPixelY() * h + 100);
        background.assign(AlignedRowBytes(w, 24) * static_cast<size_t>(h), 0);
        if (!bg.CaptureBackground(x_, y_, w, h, background.data())) background = FillSolidBackground(w, h, solid);
    } else {
        background = FillSolidBackground(w, h, solid);
    }
    return CompositeWithBackground(image32, w, h, background);
}

void LoadPNG::ConvertAndDraw(std::vector<uint8_t> px) {
    const ImageHeader& hd = header_;
    const long w = hd.width, h = hd.height, depth = hd.bitDepth;
    const bool interlaced = hd.interlace == 1;
    const bool trans = haveTransparence_ && setTrans_;
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    const long bpp = BitsPerPixel(hd);

    // Both scanline paths give an exact shape; anything shorter cannot be converted.
    const uint64_t shape = interlaced ? uint64_t{count} * static_cast<uint64_t>(bpp < 8 ? 1 : bpp / 8)
                                      : PackedRowBytes(w, bpp) * static_cast<uint64_t>(h);
    if (px.size() < shape) throw PngError(PngError::Kind::Truncated, "image data shorter than the image");
    px.resize(static_cast<size_t>(shape));

    int bits = 0;
    bool topRowFirst = true;
    std::vector<uint8_t> image32;  // set when the image is to be blended
    haveAlpha_ = hd.colourType == 4 || hd.colourType == 6;

    switch (hd.colourType) {
        case 0: {
            std::vector<uint8_t> mask;
            if (trans && depth == 16) mask = KeyMask16(px, 1, transparency_, count);
            if (depth == 16) {
                ReduceTo8Bit(px);
                CBitmap::MakeGreyRamp(8, false);
                bits = 8;
                px = AlignRows(std::move(px), w, h, 8, static_cast<size_t>(w));
            } else if (depth == 2) {
                CBitmap::MakeGreyRamp(2, false);
                bits = 8;
                px = interlaced ? AlignRows(std::move(px), w, h, 8, static_cast<size_t>(w)) : ExpandTwoBit(px, w, h);
            } else if (!interlaced) {
                CBitmap::MakeGreyRamp(depth, false);
                if (depth == 1) CBitmap::SetMonoTable(1);
                bits = static_cast<int>(depth);
                px = AlignRows(std::move(px), w, h, bits, static_cast<size_t>(PackedRowBytes(w, depth)));
            } else {
                CBitmap::MakeGreyRamp(depth, true);
                bits = 8;
                px = AlignRows(std::move(px), w, h, 8, static_cast<size_t>(w));
            }
            if (trans) {
                const std::vector<Rgb> ramp = CBitmap::GreyRamp(depth);
                std::vector<uint8_t> alpha(ramp.size(), 255);
                if (depth < 16 && transparency_.size() >= 2) {
                    const unsigned key = (transparency_[0] << 8) | transparency_[1];
                    if (key < alpha.size()) alpha[key] = 0;
                }
                image32 = ApplyIndexedTransparency(px, w, h, bits, ramp, alpha);
                if (depth == 16) ApplyAlphaMask(image32, mask);
            }
            break;
        }
        case 2: {
            std::vector<uint8_t> mask;
            if (trans && depth == 16) mask = KeyMask16(px, 3, transparency_, count);
            if (depth == 16) ReduceTo8Bit(px);
            SwapRedBlue(px, 3);
            bits = 24;
            px = AlignRows(std::move(px), w, h, 24, count / static_cast<size_t>(h) * 3);
            if (trans) {
                Rgb key;
                const bool hasKey = transparency_.size() >= 6;
                if (hasKey) key = Rgb{transparency_[1], transparency_[3], transparency_[5]};
                image32 = ApplyRGBTransparency(px, w, h, key);
                if (depth == 16) ApplyAlphaMask(image32, mask);
                else if (!hasKey) ApplyAlphaMask(image32, std::vector<uint8_t>(count, 255));
            }
            break;
        }
        case 3: {
            if (!interlaced && depth == 1) {
                CBitmap::SetTableFromPalette1(palette_);
                bits = 1;
            } else if (!interlaced && depth == 4) {
                CBitmap::SetTableFromPalette4(palette_);
                bits = 4;
            } else {
                CBitmap::SetTableFromPalette8(palette_);
                bits = 8;
            }
            if (!interlaced && depth == 2) px = ExpandTwoBit(px, w, h);
            else px = AlignRows(std::move(px), w, h, bits, interlaced ? static_cast<size_t>(w)
                                                                       : static_cast<size_t>(PackedRowBytes(w, depth)));
            if (trans) {
                std::vector<Rgb> colours(palette_.size() / 3);
                for (size_t i = 0; i < colours.size(); ++i)
                    colours[i] = Rgb{palette_[3 * i], palette_[3 * i + 1], palette_[3 * i + 2]};
                image32 = ApplyIndexedTransparency(px, w, h, bits, colours, transparency_);
            }
            break;
        }
        case 4:
        case 6: {
            if (depth == 16) ReduceTo8Bit(px);
            if (hd.colourType == 4) px = GreyAlphaToBGRA(px);
            else SwapRedBlue(px, 4);
            FlipRows(px, static_cast<size_t>(w) * 4, h);
            topRowFirst = false;
            bits = 32;
            if (setAlpha_) image32 = std::move(px);
            break;
        }
        default:
            break;
    }

    if (!image32.empty()) {
        // Transparency results come top row first; every blended image is drawn bottom
        // row first, like the captured background it is blended with.
        if (topRowFirst) FlipRows(image32, static_cast<size_t>(w) * 4, h);
        px = Blend(image32);
        bits = 24;
        topRowFirst = false;
    }

    DeviceBitmap bitmap;
    bitmap.header = DescribeDeviceBitmap(w, h, bits, topRowFirst);
    bitmap.colours = CBitmap::TableFor(bits);
    bitmap.pixels = std::move(px);
    if (!picBox_) throw PngError(PngError::Kind::NoTarget, "no picture box to draw into");
    picBox_->ShowDeviceBitmap(std::move(bitmap), x_, y_, setToBG_);
}

}  // namespace dirsheet::png
