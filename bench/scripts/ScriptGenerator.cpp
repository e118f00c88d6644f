#include "ScriptGenerator.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace QuarnBench {
namespace {

constexpr std::size_t kPiece = 1u << 20;

const char* const kWords[] = {
    "the",      "night",   "ferry",   "leaves",   "at",     "nine",     "and",    "we",
    "are",      "still",   "here",    "waiting",  "for",    "you",      "to",     "tell",
    "me",       "what",    "really",  "happened", "on",     "that",     "bridge", "I",
    "never",    "thought", "it",      "would",    "come",   "down",     "this",   "so",
    "don't",    "look",    "back",    "now",      "they",   "know",     "where",  "she",
    "went",     "after",   "the",     "storm",    "we",     "should",   "have",   "listened",
    "harbour",  "lights",  "morning", "again",    "maybe",  "tomorrow", "nobody", "believes",
    "anything", "anymore", "just",    "keep",     "moving", "quietly",  "please", "wait"};
// Non-ASCII words, so that the UTF-16 copy and the UTF-8 checks have work.
const char* const kAccented[] = {"café", "naïve",  "Zoë",   "déjà vu", "São Paulo",
                                 "über", "Straße", "señor", "crème",   "garçon"};
const char* const kWide[] = {"ありがとう", "東京へ行く", "とても静か", "さようなら"};
const char* const kEmoji[] = {"\xF0\x9F\x98\x8A", "\xF0\x9F\x8C\x8A"};
const char* const kSyllables[] = {"ka", "ra",  "o",  "ke", "shi", "n", "to", "mo",
                                  "da", "chi", "yo", "ru", "a",   "i", "su", "ki"};
const char* const kEndings[] = {".", ".", ".", "?", "!", "..."};
const char* const kNames[] = {"Mara", "Captain", "Jonas", "Ilse", "Teo", "Narrator"};

const char* const kStyles =
    "[V4+ Styles]\r\n"
    "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
    "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
    "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\r\n"
    "Style: Default,Arial,54,&H00FFFFFF,&H000000FF,&H00000000,&H64000000,0,0,0,0,100,100,0,0,"
    "1,2.5,1,2,60,60,40,1\r\n"
    "Style: Top,Arial,54,&H00FFFFFF,&H000000FF,&H00000000,&H64000000,0,0,0,0,100,100,0,0,"
    "1,2.5,1,8,60,60,40,1\r\n"
    "Style: Italic,Arial,54,&H00FFFFFF,&H000000FF,&H00000000,&H64000000,0,-1,0,0,100,100,0,0,"
    "1,2.5,1,2,60,60,40,1\r\n"
    "Style: Sign,Georgia,44,&H00E0E0E0,&H000000FF,&H00202020,&H00000000,-1,0,0,0,100,100,1,0,"
    "1,1.5,0,7,20,20,20,1\r\n"
    "Style: Song,Verdana,48,&H0000FFFF,&H00FF8000,&H00400000,&H80000000,0,0,0,0,100,100,0,0,"
    "1,2,2,8,40,40,30,1\r\n\r\n";

template <std::size_t N>
const char* pick(Random& random, const char* const (&list)[N]) {
  return list[random.next() % N];
}

void appendTime(std::string& out, std::uint32_t centiseconds) {
  char text[32];
  const std::uint32_t seconds = centiseconds / 100;
  std::snprintf(text, sizeof text, "%u:%02u:%02u.%02u", seconds / 3600, seconds / 60 % 60,
                seconds % 60, centiseconds % 100);
  out += text;
}

// H:MM:SS.cc in centiseconds; no value for anything else.
std::optional<std::uint32_t> readCentiseconds(std::string_view field) {
  std::uint32_t numbers[4] = {0, 0, 0, 0};
  std::size_t n = 0;
  bool digits = false;
  for (char c : field) {
    if (c >= '0' && c <= '9') {
      numbers[n] = numbers[n] * 10u + static_cast<std::uint32_t>(c - '0');
      digits = true;
    } else if ((c == ':' || c == '.') && digits && n < 3) {
      ++n;
      digits = false;
    } else {
      return std::nullopt;
    }
  }
  if (n != 3 || !digits)
    return std::nullopt;
  return ((numbers[0] * 60u + numbers[1]) * 60u + numbers[2]) * 100u + numbers[3];
}

bool hasKaraokeTag(std::string_view text) {
  for (std::size_t at = text.find('\\'); at != std::string_view::npos;
       at = text.find('\\', at + 1)) {
    std::size_t next = at + 1;
    if (next >= text.size() || (text[next] != 'k' && text[next] != 'K'))
      continue;
    ++next;
    if (next < text.size() && (text[next] == 'f' || text[next] == 'o'))
      ++next;
    if (next < text.size() && text[next] >= '0' && text[next] <= '9')
      return true;
  }
  return false;
}

bool writeAll(std::FILE* file, const std::string& bytes) {
  return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// True when `path` begins with `expected` and holds more than it.
bool startsWithBytes(const std::string& path, const std::string& expected) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return false;
  std::vector<char> head(expected.size() + 1);
  const std::size_t got = std::fread(head.data(), 1, head.size(), file);
  std::fclose(file);
  return got == head.size() && std::memcmp(head.data(), expected.data(), expected.size()) == 0;
}

std::string utf16WithMark(std::string_view utf8) {
  std::string out = "\xFF\xFE";
  appendUtf16Le(utf8, out);
  return out;
}

}  // namespace

std::uint64_t Random::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

ScriptGenerator::ScriptGenerator(std::size_t events, std::uint64_t seed)
    : events_(events), seed_(seed), random_(seed) {}

std::string ScriptGenerator::header() const {
  char identity[160];
  std::snprintf(identity, sizeof identity,
                "; quarn-ssa benchmark script: generator %d, seed %llu, %zu events\r\n",
                kGeneratorVersion, static_cast<unsigned long long>(seed_), events_);
  return std::string("[Script Info]\r\n") + identity +
         "Title: Benchmark script\r\n"
         "ScriptType: v4.00+\r\n"
         "WrapStyle: 0\r\n"
         "ScaledBorderAndShadow: yes\r\n"
         "YCbCr Matrix: TV.709\r\n"
         "PlayResX: 1920\r\n"
         "PlayResY: 1080\r\n\r\n" +
         kStyles +
         "[Events]\r\n"
         "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
}

bool ScriptGenerator::nextEvent(std::string& out) {
  if (produced_ == events_)
    return false;
  ++produced_;

  // Most lines move the clock on; some share the previous start (two
  // speakers, a sign over dialogue); a few were added later and start
  // earlier than the line before them.
  std::uint32_t start = 0;
  if (clock_ > 3000 && random_.chance(21)) {
    start = clock_ - random_.range(100, 3000);
  } else if (random_.chance(240)) {
    start = clock_;
  } else {
    clock_ += random_.range(20, 450);
    start = clock_;
  }

  const bool comment = random_.chance(3);
  const std::uint32_t kind = comment ? 999u : random_.range(0, 999);
  const bool karaoke = kind < 160;
  const bool tagged = !karaoke && kind < 410;
  // A third of the tagged lines carry a tag with commas inside (\pos, \fad,
  // \move); with the commas of plain sentences, 14% of lines hold one.
  const bool commaTag = tagged && random_.chance(320);
  const bool comma = !karaoke && !commaTag && random_.chance(82);

  std::size_t target = 0;
  const char* style = "Default";
  const char* name = "";
  int layer = 0;
  if (karaoke) {
    target = random_.range(121, 251);
    style = "Song";
  } else if (tagged) {
    target = random_.range(91, 216);
    if (commaTag) {
      style = "Sign";
      layer = 1;
    }
  } else {
    target = random_.range(58, 188);
    const std::uint32_t s = random_.range(0, 99);
    style = s < 88 ? "Default" : s < 96 ? "Italic" : "Top";
  }
  if (!karaoke && !commaTag && random_.chance(400))
    name = pick(random_, kNames);

  const std::size_t begin = out.size();
  out += comment ? "Comment: " : "Dialogue: ";
  out += static_cast<char>('0' + layer);
  out += ',';
  appendTime(out, start);
  out += ',';
  appendTime(out, start + (karaoke ? random_.range(200, 600) : random_.range(60, 550)));
  out += ',';
  out += style;
  out += ',';
  out += name;
  out += ",0,0,0,,";
  const std::size_t prefix = out.size() - begin;
  const std::size_t text = target > prefix + 12 ? target - prefix : 12;
  if (karaoke)
    appendKaraokeText(out, text);
  else if (tagged)
    appendTaggedText(out, text, commaTag, comma);
  else
    appendPlainText(out, text, comma);
  out += "\r\n";
  return true;
}

void ScriptGenerator::appendPlainText(std::string& out, std::size_t target, bool comma) {
  const std::size_t begin = out.size();
  // At most one line break, near the middle of a longer line.
  std::size_t breakAt = target > 70 && random_.chance(350) ? target / 2 : std::string::npos;
  bool commaPlaced = !comma;
  bool first = true;
  while (out.size() - begin < target) {
    const std::size_t length = out.size() - begin;
    if (!first) {
      if (!commaPlaced && length >= target / 3) {
        out += ',';
        commaPlaced = true;
      }
      if (breakAt != std::string::npos && length >= breakAt && length + 8 < target) {
        out += "\\N";
        breakAt = std::string::npos;
      } else {
        out += ' ';
      }
    }
    const std::uint32_t roll = random_.range(0, 999);
    const char* word = roll < 8    ? pick(random_, kAccented)
                       : roll < 10 ? pick(random_, kWide)
                       : roll < 11 ? pick(random_, kEmoji)
                                   : pick(random_, kWords);
    const std::size_t at = out.size();
    out += word;
    if (first && out[at] >= 'a' && out[at] <= 'z')
      out[at] = static_cast<char>(out[at] - 'a' + 'A');
    first = false;
  }
  if (!commaPlaced)
    out += ", right";
  out += pick(random_, kEndings);
}

void ScriptGenerator::appendTaggedText(std::string& out, std::size_t target, bool commaTag,
                                       bool comma) {
  char tag[96];
  const std::size_t before = out.size();
  if (commaTag) {
    // Drawn in a fixed order: C++ leaves the order in which function
    // arguments are evaluated open, and the bytes must not depend on it.
    const std::uint32_t which = random_.range(0, 99);
    const std::uint32_t x = random_.range(40, 1880);
    const std::uint32_t y = random_.range(40, 1040);
    if (which < 44) {
      std::snprintf(tag, sizeof tag, "{\\pos(%u,%u)}", x, y);
    } else if (which < 82) {
      std::snprintf(tag, sizeof tag, "{\\fad(%u,%u)}", x % 6 * 50 + 50, y % 8 * 50 + 50);
    } else if (which < 91) {
      const std::uint32_t toX = random_.range(40, 1880);
      const std::uint32_t toY = random_.range(40, 1040);
      std::snprintf(tag, sizeof tag, "{\\move(%u,%u,%u,%u)}", x, y, toX, toY);
    } else {
      std::snprintf(tag, sizeof tag, "{\\an8\\pos(%u,%u)}", x, y % 160 + 40);
    }
    out += tag;
    const std::size_t used = out.size() - before;
    appendPlainText(out, target > used + 8 ? target - used : 8, false);
    return;
  }
  const std::uint32_t which = random_.range(0, 99);
  if (which < 44) {
    // Italics around the line, as for a voice off screen.
    out += "{\\i1}";
    appendPlainText(out, target > 16 ? target - 16 : 8, comma);
    out += "{\\i0}";
    return;
  }
  if (which < 62) {
    out += "{\\an8}";
  } else if (which < 74) {
    out += "{\\b1}";
  } else if (which < 86) {
    const std::uint32_t colour = random_.range(0, 0xFFFFFF);
    std::snprintf(tag, sizeof tag, "{\\c&H%06X&}", colour);
    out += tag;
  } else if (which < 93) {
    std::snprintf(tag, sizeof tag, "{\\blur%u}", random_.range(1, 5));
    out += tag;
  } else {
    const std::uint32_t size = random_.range(30, 72);
    std::snprintf(tag, sizeof tag, "{\\fs%u\\bord%u}", size, size % 5);
    out += tag;
  }
  const std::size_t used = out.size() - before;
  appendPlainText(out, target > used + 8 ? target - used : 8, comma);
}

void ScriptGenerator::appendKaraokeText(std::string& out, std::size_t target) {
  const std::size_t begin = out.size();
  char tag[24];
  while (out.size() - begin < target) {
    const bool fill = random_.chance(200);
    const std::uint32_t length = random_.range(8, 60);
    std::snprintf(tag, sizeof tag, "{\\k%s%u}", fill ? "f" : "", length);
    out += tag;
    out += pick(random_, kSyllables);
    if (random_.chance(250))
      out += ' ';
  }
}

void appendUtf16Le(std::string_view utf8, std::string& out) {
  auto unit = [&out](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t count = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t code = count == 1 ? lead : lead & (0x7Fu >> count);
    for (std::size_t k = 1; k < count && i + k < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
    i += count;
    if (code < 0x10000) {
      unit(code);
    } else {
      code -= 0x10000;
      unit(0xD800 + (code >> 10));
      unit(0xDC00 + (code & 0x3FF));
    }
  }
}

void ScriptShape::addLine(std::string_view line) {
  ++lines;
  bool comment = false;
  if (line.compare(0, 9, "Dialogue:") == 0) {
    ++dialogues;
  } else if (line.compare(0, 8, "Comment:") == 0) {
    ++comments;
    comment = true;
  } else {
    return;
  }
  eventLineBytes += line.size();
  // Fields: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV,
  // Effect, then the text, which may hold commas of its own.
  std::size_t fieldStart = comment ? 8 : 9;
  std::string_view startField;
  for (int field = 0; field < 9; ++field) {
    const std::size_t comma = line.find(',', fieldStart);
    if (comma == std::string_view::npos)
      return;
    if (field == 1)
      startField = line.substr(fieldStart, comma - fieldStart);
    fieldStart = comma + 1;
  }
  const std::string_view text = line.substr(fieldStart);
  if (text.find("{\\") != std::string_view::npos)
    ++tagged;
  if (hasKaraokeTag(text))
    ++karaoke;
  if (text.find(',') != std::string_view::npos)
    ++commas;
  const std::optional<std::uint32_t> start = readCentiseconds(startField);
  if (start && previousStart_) {
    if (*start < *previousStart_)
      ++outOfOrder;
    else if (*start == *previousStart_)
      ++equalStarts;
  }
  previousStart_ = start;
}

std::optional<ScriptShape> measureScriptFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (file == nullptr)
    return std::nullopt;
  ScriptShape shape;
  std::vector<char> piece(kPiece);
  std::string carry;
  for (;;) {
    const std::size_t got = std::fread(piece.data(), 1, piece.size(), file.get());
    if (got == 0)
      break;
    shape.bytes += got;
    std::string_view rest(piece.data(), got);
    for (std::size_t end = rest.find('\n'); end != std::string_view::npos; end = rest.find('\n')) {
      std::string_view line = rest.substr(0, end);
      if (!carry.empty()) {
        carry.append(line);
        line = carry;
      }
      if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
      shape.addLine(line);
      carry.clear();
      rest.remove_prefix(end + 1);
    }
    carry.append(rest);
  }
  if (std::ferror(file.get()))
    return std::nullopt;
  if (!carry.empty())
    shape.addLine(carry);
  return shape;
}

std::string scriptPath(const std::string& folder, std::size_t events, bool utf16) {
  std::string size = std::to_string(events);
  if (events % 1000000 == 0 && events != 0)
    size = std::to_string(events / 1000000) + "m";
  else if (events % 1000 == 0 && events != 0)
    size = std::to_string(events / 1000) + "k";
  return folder + "/events-" + size + (utf16 ? ".utf16le.ass" : ".utf8.ass");
}

bool ensureScripts(const std::string& folder, std::size_t events, bool* written,
                   std::string* error) {
  *written = false;
  ScriptGenerator generator(events);
  const std::string header = generator.header();
  const std::string utf8Path = scriptPath(folder, events, false);
  const std::string utf16Path = scriptPath(folder, events, true);
  if (startsWithBytes(utf8Path, header) && startsWithBytes(utf16Path, utf16WithMark(header)))
    return true;

  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) {
    *error = "cannot create " + folder + ": " + made.message();
    return false;
  }
  const std::string suffix = ".partial-" + std::to_string(getpid());
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  File utf8(std::fopen((utf8Path + suffix).c_str(), "wb"), &std::fclose);
  File utf16(std::fopen((utf16Path + suffix).c_str(), "wb"), &std::fclose);
  bool ok = utf8 != nullptr && utf16 != nullptr;
  // The UTF-16 copy is made from the UTF-8 bytes as they are written.
  std::string bytes = header;
  std::string wide = "\xFF\xFE";
  while (ok && generator.nextEvent(bytes)) {
    if (bytes.size() < kPiece)
      continue;
    appendUtf16Le(bytes, wide);
    ok = writeAll(utf8.get(), bytes) && writeAll(utf16.get(), wide);
    bytes.clear();
    wide.clear();
  }
  if (ok) {
    appendUtf16Le(bytes, wide);
    ok = writeAll(utf8.get(), bytes) && writeAll(utf16.get(), wide);
  }
  // fclose reports a failed final write.
  ok = ok && std::fclose(utf8.release()) == 0;
  ok = ok && std::fclose(utf16.release()) == 0;
  ok = ok && std::rename((utf8Path + suffix).c_str(), utf8Path.c_str()) == 0 &&
       std::rename((utf16Path + suffix).c_str(), utf16Path.c_str()) == 0;
  if (!ok) {
    *error = "cannot write " + utf8Path + " and " + utf16Path + ": " + std::strerror(errno);
    std::remove((utf8Path + suffix).c_str());
    std::remove((utf16Path + suffix).c_str());
    return false;
  }
  *written = true;
  return true;
}

}  // namespace QuarnBench
