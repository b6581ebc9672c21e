#include "jpeg/band_join.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/jpeg_reader.h"

namespace {

constexpr int kBandRows = 8;  // one MCU row

// A band as TurboJPEG compresses it, its pixels its own.
std::vector<unsigned char> Band(int width, int index, int quality) {
    std::vector<unsigned char> pixels(3 * static_cast<std::size_t>(width) * kBandRows);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<unsigned char>(i * 13 + static_cast<std::size_t>(index) * 71);
    }
    const std::unique_ptr<void, int (*)(tjhandle)> compressor(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(tjCompress2(compressor.get(), pixels.data(), width, 0, kBandRows, TJPF_BGR, &jpeg,
                          &size, TJSAMP_444, quality, 0),
              0);
    std::vector<unsigned char> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    return bytes;
}

// What a decoder sees of the joined file, read marker by marker.
struct Markers {
    int frameHeight = -1;
    int restartInterval = -1;  // from a DRI before the scan
    std::vector<int> inScan;   // every marker after the scan header but stuffed 0xFF bytes
};

Markers Read(const std::string& jpeg) {
    Markers m;
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    std::size_t at = 2;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(jpeg.at(i)); };
    while (byte(at + 1) != 0xDA) {  // up to SOS
        const std::size_t length = byte(at + 2) << 8 | byte(at + 3);
        if (byte(at + 1) == 0xC0) {
            m.frameHeight = byte(at + 5) << 8 | byte(at + 6);
        } else if (byte(at + 1) == 0xDD) {
            m.restartInterval = length == 4 ? byte(at + 4) << 8 | byte(at + 5) : -2;
        }
        at += 2 + length;
    }
    for (at += 2; at + 1 < jpeg.size(); ++at) {
        if (byte(at) == 0xFF && byte(at + 1) != 0) {
            m.inScan.push_back(byte(++at));
        }
    }
    return m;
}

struct JoinCase {
    const char* name;
    int width;
    int bands;
    int otherQualityBand;  // compressed at another quality, so it must be refused; -1 for none
};

class BandJoinMarkers : public ::testing::TestWithParam<JoinCase> {};

TEST_P(BandJoinMarkers, WholeHeightOneBandPerIntervalRestartsInTurnAndOneEoi) {
    const JoinCase& c = GetParam();
    const int height = c.bands * kBandRows;
    const int mcusPerBand = (c.width + 7) / 8;
    std::vector<unsigned char> first = Band(c.width, 0, 90);
    const auto join = jenc::BandJoin::Start(first, static_cast<std::uint16_t>(height),
                                            static_cast<std::uint16_t>(mcusPerBand), c.bands);
    ASSERT_TRUE(join);
    std::string file(join->Headers().begin(), join->Headers().end());
    for (int i = 0; i < c.bands; ++i) {
        std::vector<unsigned char> band =
            i == 0 ? first : Band(c.width, i, i == c.otherQualityBand ? 50 : 90);
        const auto data = join->Data(band, i);
        ASSERT_EQ(data.has_value(), i != c.otherQualityBand) << "band " << i;
        if (!data) {
            return;
        }
        file.append(data->begin(), data->end());
    }

    const Markers m = Read(file);
    EXPECT_EQ(m.frameHeight, height);
    EXPECT_EQ(m.restartInterval, mcusPerBand);
    std::vector<int> want;
    for (int i = 0; i + 1 < c.bands; ++i) {
        want.push_back(0xD0 + i % 8);
    }
    want.push_back(0xD9);
    EXPECT_EQ(m.inScan, want);
    EXPECT_EQ(orvane::testing::DecodeJpeg(file).height, height);  // and without a warning
}

INSTANTIATE_TEST_SUITE_P(Bands, BandJoinMarkers,
                         ::testing::Values(JoinCase{"two", 16, 2, -1},
                                           JoinCase{"restarts_cycling_past_rst7", 33, 10, -1},
                                           JoinCase{"band_of_other_quality_refused", 16, 3, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
