// Composition of a layout with one layer of each kind (background, a 2448 x
// 2048 photo, foreground, icon, caption) at the 128-pixel preview size and at
// the photo's full size, against loading the same files the same way alone;
// and the embedded-profile conversion of a 5 MP image against cmsDoTransform
// alone on the same pixels with the same profiles (goal: at most 1.1).

#include "../common/AlternatingRuns.h"
#include "layout/CProcessedImage.h"
#include "pixlib/codecs/FileType.h"
#include "pixlib/codecs/ProfileConversion.h"

#include <lcms2.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

constexpr int kRounds = 9;

void Pattern(CxImage& image) {
  const int n = image.SamplesPerPixel();
  for (int y = 0; y < image.Height(); ++y) {
    unsigned char* p = image.GetRowPtr(y);
    for (int x = 0; x < image.Width(); ++x, p += n)
      for (int c = 0; c < n; ++c)
        p[c] =
            static_cast<unsigned char>(c == 3 ? (x < image.Width() / 2 ? 0 : 255) : (x * (c + 1) + y) & 255);
  }
}

std::string Write(const std::string& folder, const char* name, int width, int height, bool alpha,
                  short type) {
  CxImage image;
  image.Create(width, height, alpha ? 1 : 0, 0, 0);
  Pattern(image);
  const std::string path = folder + "/" + name;
  if (!image.Save(path.c_str(), type, 1, 90, nullptr, 0))
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return path;
}

void Compose(const char* label, const CProcessedImage& layout, int size, int loadSize) {
  const CompositionOptions options;
  const auto loadAlone = [&] {
    for (const std::string* path : {&layout.params.bgImageName, &layout.name, &layout.params.fgImageName}) {
      CxImage image;
      if (loadSize == 0)
        image.Load(path->c_str(), 1, 1, 1, 0, nullptr);
      else
        image.LoadThumbnail(path->c_str(), 1, 1, loadSize, 1, 1, nullptr);
    }
  };
  const bench::MedianPair times = bench::AlternatingMedians(
      kRounds,
      [&] {
        CxImage canvas;
        layout.Render(size, canvas, loadSize, options);
      },
      loadAlone);
  std::printf("%-28s render %8.1f ms   loads alone %8.1f ms   ratio %.2f\n", label, times.ours,
              times.reference, times.Ratio());
}

void ProfileConversion(const std::string& folder) {
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  cmsToneCurve* curves[3] = {linear, linear, linear};
  cmsCIExyY d65{0.3127, 0.3290, 1.0};
  cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
  cmsHPROFILE source = cmsCreateRGBProfile(&d65, &primaries, curves);
  const std::string icc = folder + "/linear.icc", plain = folder + "/plain.ppm",
                    tagged = folder + "/tagged.jpg";
  cmsSaveProfileToFile(source, icc.c_str());
  const std::string untagged = Write(folder, "plain.jpg", 2592, 1944, false, IMG_TYPE_JPEG);
  if (std::system(("/usr/bin/convert " + untagged + " -profile " + icc + " " + tagged).c_str()) != 0) {
    std::fprintf(stderr, "ImageMagick's /usr/bin/convert is needed to tag the image\n");
    return;
  }
  CxImage loaded, work;
  loaded.Load(tagged.c_str(), 0, 1, 0, 0, nullptr);
  // The reference reads the profile back as the file carries it, as ours does.
  cmsHPROFILE embedded = cmsOpenProfileFromFile(icc.c_str(), "r");
  cmsHTRANSFORM direct = cmsCreateTransform(embedded, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
  const auto restore = [&] { work.Create(static_cast<IplImage*>(loaded), CF_COPY); };
  restore();
  const bench::MedianPair times = bench::AlternatingMedians(
      kRounds, [&] { pixcodec::ConvertToTargetProfile(work, tagged.c_str()); },
      [&] {
        for (int y = 0; y < work.Height(); ++y)
          cmsDoTransform(direct, work.GetRowPtr(y), work.GetRowPtr(y), work.Width());
      });
  std::printf("%-28s ours %8.1f ms   cmsDoTransform %8.1f ms   ratio %.2f (goal <= 1.1)\n",
              "ICC 2592 x 1944 to sRGB", times.ours, times.reference, times.Ratio());
  cmsDeleteTransform(direct);
  cmsCloseProfile(embedded);
  cmsCloseProfile(source);
  cmsCloseProfile(srgb);
  cmsFreeToneCurve(linear);
}

}  // namespace

int main() {
  const std::string folder =
      std::filesystem::temp_directory_path() / ("composition_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  CProcessedImage layout;
  layout.params.aspectRatio = 1.5f;
  layout.params.bgImageName = Write(folder, "background.jpg", 1800, 1200, false, IMG_TYPE_JPEG);
  layout.name = Write(folder, "photo.jpg", 2448, 2048, false, IMG_TYPE_JPEG);
  layout.params.fgImageName = Write(folder, "foreground.tif", 1800, 1200, true, IMG_TYPE_TIFF);
  layout.params.page = Write(folder, "icon.tif", 300, 300, true, IMG_TYPE_TIFF) + ";300;200;-20;30";
  layout.params.zoom = -10;
  layout.params.rotation = 10;
  layout.params.contrast = 20;
  layout.params.text = "%d/%m/%Y";
  Compose("preview 128", layout, 128, 128);
  Compose("full size 2448", layout, 2448, 0);
  ProfileConversion(folder);
  std::filesystem::remove_all(folder);
  return 0;
}
