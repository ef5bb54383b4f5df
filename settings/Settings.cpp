// Settings.cpp: the settings read at load, their conversion rules, and the
// layer stacking order.
#include "Settings.h"

#include "../host/DrvTypes.h"

namespace {

constexpr TLayerSetting NoSetting{-1, 100};

// A layer's stacking key when the file gives none.
constexpr int32_t BuiltInZOrder[LayerCount] = {
    1800, 2000, 2100, 1000, 1700, 1900, 1600, 1500, 1400, 1300, 1200, 1100, 3100,
    3200, 3300, 3400, 3500, 3600, 3900, 3700, 3000, 4100, 4000, 3800, 9999, 9999};

// The keys as the last load stored them, by layer.
int32_t ZOrderKey[LayerCount];

// The lookups of one load, all answered in one pass over the file: the
// switch first, then three keys per layer, then the plot switches.
enum { ColorEntry, OpacityEntry, ZOrderEntry, EntriesPerLayer };
constexpr int SwitchEntry = 1 + EntriesPerLayer * LayerCount;
// [Setup] Record: the journal file, looked up last.
constexpr int RecordEntry = SwitchEntry + PlotSwitchCount;
constexpr int EntryCount = RecordEntry + 1;
TProfileEntry Entries[EntryCount];
char LayerSection[LayerCount][8];  // "Layer0" to "Layer25"

void FormatLayerSection(int N, char (&Out)[8]) {
  const char word[] = "Layer";
  int n = 0;
  for (; word[n] != 0; ++n) Out[n] = word[n];
  if (N >= 10) Out[n++] = static_cast<char>('0' + N / 10);
  Out[n++] = static_cast<char>('0' + N % 10);
  Out[n] = 0;
}

int DigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return 16;
}

// The integer rule, with '#' as a further hexadecimal prefix for colours:
// the same as replacing every '#' by '$' first, since a '#' anywhere else
// fails just as a '$' there would.
bool Convert(const char* Text, bool HashIsPrefix, int32_t& Out) {
  if (Text == nullptr) return false;
  const char* p = Text;
  while (*p == ' ') ++p;
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;

  uint32_t base = 10;
  if (*p == '$' || *p == 'x' || *p == 'X' || (HashIsPrefix && *p == '#')) {
    base = 16;
    p += 1;
  } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  // Hexadecimal is a 32-bit pattern; decimal must fit int32 once signed.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;

  uint64_t value = 0;
  int digits = 0;
  for (; DigitValue(*p) < static_cast<int>(base); ++p, ++digits) {
    value = value * base + static_cast<uint64_t>(DigitValue(*p));
    if (value > limit) return false;  // stops before the sum could grow further
  }
  if (digits == 0 || *p != 0) return false;

  uint32_t bits = static_cast<uint32_t>(value);
  if (negative) bits = 0u - bits;  // two's-complement negation, $80000000 stays
  Out = static_cast<int32_t>(bits);
  return true;
}

int32_t IntOr(const char* Text, int32_t Default) {
  int32_t v;
  return IntRule(Text, v) ? v : Default;
}

int32_t Clamp(int32_t V, int32_t Lo, int32_t Hi) { return V < Lo ? Lo : V > Hi ? Hi : V; }

void NameSwitchEntries(TProfileEntry* E) {
  for (int n = 0; n < PlotSwitchCount; ++n) {
    E[n].Section = "Setup";
    E[n].Key = PlotSwitchNames[n];
  }
}

// The same rule as HiddenText, with off as the default.
void ReadSwitches(const TProfileEntry* E) {
  for (int n = 0; n < PlotSwitchCount; ++n) PlotSwitches[n] = IntOr(E[n].Value, 0) != 0;
}

}  // namespace

TLayerSetting LayerSettings[LayerCount] = {
    NoSetting, NoSetting, NoSetting, NoSetting, NoSetting, NoSetting, NoSetting,
    NoSetting, NoSetting, NoSetting, NoSetting, NoSetting, NoSetting, NoSetting,
    NoSetting, NoSetting, NoSetting, NoSetting, NoSetting, NoSetting, NoSetting,
    NoSetting, NoSetting, NoSetting, NoSetting, NoSetting};

TStackEntry StackingOrder[LayerCount];

namespace {
// What LayerOrdering answers for positions 0 to 23: layers 0 to 23 in the
// sorted order. Positions 24 and 25 always answer 24 and 25, so the sorted
// order cannot decide them; were layer 24 or 25 sorted among the first 24,
// one layer would be plotted twice and another never.
int32_t PlotOrder[24];
}  // namespace

const char* const PlotSwitchNames[PlotSwitchCount] = {
    "InkscapeLayers", "SeeThroughHoles", "Mirror", "Monochrome", "Negative", "TrueSize"};

bool PlotSwitches[PlotSwitchCount];

bool IntRule(const char* Text, int32_t& Out) { return Convert(Text, false, Out); }

bool ColorRule(const char* Text, int32_t& Out) { return Convert(Text, true, Out); }

void LoadSettings() { LoadSettingsFrom(SettingsFilePath()); }

void LoadSettingsFrom(const TPathChar* File) {
  for (int n = 0; n < LayerCount; ++n) {
    LayerSettings[n] = NoSetting;
    ZOrderKey[n] = BuiltInZOrder[n];
  }

  Entries[0].Section = "Setup";
  Entries[0].Key = "HiddenText";
  for (int n = 0; n < LayerCount; ++n) {
    FormatLayerSection(n, LayerSection[n]);
    TProfileEntry* e = &Entries[1 + EntriesPerLayer * n];
    e[ColorEntry].Section = e[OpacityEntry].Section = e[ZOrderEntry].Section = LayerSection[n];
    e[ColorEntry].Key = "Color";
    e[OpacityEntry].Key = "Opacity";
    e[ZOrderEntry].Key = "ZOrder";
  }
  NameSwitchEntries(&Entries[SwitchEntry]);
  Entries[RecordEntry].Section = "Setup";
  Entries[RecordEntry].Key = "Record";
  ReadProfile(File, Entries, EntryCount);

  // A missing value reads as empty text, which no rule converts, so it takes
  // the key's default; for Color that is -1, as the text "#FFFFFFFF" gives.
  // Flags sits unaligned in the packed descriptor: read and written whole,
  // never through a reference.
  const uint16_t flags = DrvBlock.Descr.Flags;
  DrvBlock.Descr.Flags = IntOr(Entries[0].Value, 1) != 0
                             ? static_cast<uint16_t>(flags | HiddenTextFlag)
                             : static_cast<uint16_t>(flags & ~HiddenTextFlag);
  for (int n = 0; n < LayerCount; ++n) {
    const TProfileEntry* e = &Entries[1 + EntriesPerLayer * n];
    LayerSettings[n].Opacity = Clamp(IntOr(e[OpacityEntry].Value, 100), 0, 100);
    ZOrderKey[n] = IntOr(e[ZOrderEntry].Value, BuiltInZOrder[n]);
    int32_t color;
    LayerSettings[n].ColorOverride = ColorRule(e[ColorEntry].Value, color) ? color : -1;
  }
  ReadSwitches(&Entries[SwitchEntry]);
}

const char* RecordSetting() { return Entries[RecordEntry].Value; }

const TProfileEntry* SettingsLookups(int& Count) {
  Count = EntryCount;
  return Entries;
}

void SortStackingOrder() {
  for (int n = 0; n < LayerCount; ++n) StackingOrder[n] = TStackEntry{n, ZOrderKey[n]};
  // Bubble sort that swaps only when the later key is strictly smaller:
  // stable, so equal keys keep ascending layer numbers.
  for (int p = 0; p < LayerCount - 1; ++p) {
    for (int i = LayerCount - 2; i >= p; --i) {
      if (StackingOrder[i + 1].ZOrder < StackingOrder[i].ZOrder) {
        const TStackEntry t = StackingOrder[i];
        StackingOrder[i] = StackingOrder[i + 1];
        StackingOrder[i + 1] = t;
      }
    }
  }
  int k = 0;
  for (const TStackEntry& e : StackingOrder) {
    if (e.Layer < 24) PlotOrder[k++] = e.Layer;
  }
}

int32_t StackedLayer(int32_t Position) {
  // Positions 24 and 25 answer themselves whatever the sort put there.
  if (Position >= 0 && Position < 24) return PlotOrder[Position];
  return Position;
}
