// FuzzSettings.cpp: any bytes as the settings file.
//
// Checks: no sanitizer report, the load always ends, and the layer order
// answers every layer 0 to 25 exactly once, whatever the stacking keys;
// plothost's check of the same file ends too, every warning naming the file
// and a line within it.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <string>

#include "settings/Settings.h"
#include "tools/plothost/SettingsCheck.h"

namespace {
char Path[64];
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::snprintf(Path, sizeof Path, "/tmp/fuzz-settings-%d.ini", static_cast<int>(getpid()));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FILE* f = std::fopen(Path, "wb");
  if (f == nullptr) return 0;
  std::fwrite(Data, 1, Size, f);
  std::fclose(f);
  LoadSettingsFrom(Path);
  SortStackingOrder();
  bool seen[LayerCount] = {};
  for (int p = 0; p < LayerCount; ++p) {
    const int32_t layer = StackedLayer(p);
    if (layer < 0 || layer >= LayerCount || seen[layer]) {
      std::fprintf(stderr, "fuzz_settings: position %d answers layer %d\n", p, static_cast<int>(layer));
      std::abort();
    }
    seen[layer] = true;
  }
  for (const TLayerSetting& s : LayerSettings) {
    if (s.Opacity < 0 || s.Opacity > 100) std::abort();
  }
  std::string text, refusal;
  if (ReadSettingsText(Path, text, refusal) && refusal.empty()) {
    SettingsName name;
    name.Shown = "f.ini";
    int64_t lines = 1;
    for (char c : text) lines += c == '\n';
    for (const std::string& w : CheckSettings(Path, text, name)) {
      const long long line = std::strtoll(w.c_str() + 6, nullptr, 10);
      if (w.compare(0, 6, "f.ini:") != 0 || line < 1 || line > lines) {
        std::fprintf(stderr, "fuzz_settings: %s\n", w.c_str());
        std::abort();
      }
    }
  }
  return 0;
}
