#include "subtitle/LanguageCodes.h"

#include <map>
#include <string>

namespace Quarn {
namespace {

struct CodePair {
  const char* twoLetter;
  const char* threeLetter;
};

// Two-letter and bibliographic three-letter codes. Order matters: a later
// pair overwrites an earlier key, which is why "my" ends up paired with
// "mya" while "bur" and "mya" both lead back to "my".
constexpr CodePair kPairs[] = {
    {"aa", "aar"}, {"ab", "abk"}, {"af", "afr"}, {"ak", "aka"}, {"sq", "alb"}, {"am", "amh"},
    {"ar", "ara"}, {"an", "arg"}, {"hy", "arm"}, {"as", "asm"}, {"av", "ava"}, {"ae", "ave"},
    {"ay", "aym"}, {"az", "aze"}, {"ba", "bak"}, {"bm", "bam"}, {"eu", "baq"}, {"be", "bel"},
    {"bn", "ben"}, {"bh", "bih"}, {"bi", "bis"}, {"bo", "tib"}, {"bs", "bos"}, {"br", "bre"},
    {"bg", "bul"}, {"my", "bur"}, {"ca", "cat"}, {"cs", "cze"}, {"ch", "cha"}, {"ce", "che"},
    {"zh", "chi"}, {"cu", "chu"}, {"cv", "chv"}, {"kw", "cor"}, {"co", "cos"}, {"cr", "cre"},
    {"cy", "wel"}, {"da", "dan"}, {"de", "ger"}, {"dv", "div"}, {"nl", "dut"}, {"dz", "dzo"},
    {"el", "gre"}, {"en", "eng"}, {"eo", "epo"}, {"et", "est"}, {"ee", "ewe"}, {"fo", "fao"},
    {"fa", "per"}, {"fj", "fij"}, {"fi", "fin"}, {"fr", "fre"}, {"fy", "fry"}, {"ff", "ful"},
    {"ka", "geo"}, {"gd", "gla"}, {"ga", "gle"}, {"gl", "glg"}, {"gv", "glv"}, {"gn", "grn"},
    {"gu", "guj"}, {"ht", "hat"}, {"ha", "hau"}, {"he", "heb"}, {"hz", "her"}, {"hi", "hin"},
    {"ho", "hmo"}, {"hr", "hrv"}, {"hu", "hun"}, {"ig", "ibo"}, {"is", "ice"}, {"io", "ido"},
    {"ii", "iii"}, {"iu", "iku"}, {"ie", "ile"}, {"ia", "ina"}, {"id", "ind"}, {"ik", "ipk"},
    {"it", "ita"}, {"jv", "jav"}, {"ja", "jpn"}, {"kl", "kal"}, {"kn", "kan"}, {"ks", "kas"},
    {"kr", "kau"}, {"kk", "kaz"}, {"km", "khm"}, {"ki", "kik"}, {"rw", "kin"}, {"ky", "kir"},
    {"kv", "kom"}, {"kg", "kon"}, {"ko", "kor"}, {"kj", "kua"}, {"ku", "kur"}, {"lo", "lao"},
    {"la", "lat"}, {"lv", "lav"}, {"li", "lim"}, {"ln", "lin"}, {"lt", "lit"}, {"lb", "ltz"},
    {"lu", "lub"}, {"lg", "lug"}, {"mk", "mac"}, {"mh", "mah"}, {"ml", "mal"}, {"mi", "mao"},
    {"mr", "mar"}, {"ms", "may"}, {"mg", "mlg"}, {"mt", "mlt"}, {"mo", "mol"}, {"mn", "mon"},
    {"my", "mya"}, {"na", "nau"}, {"nv", "nav"}, {"nr", "nbl"}, {"nd", "nde"}, {"ng", "ndo"},
    {"ne", "nep"}, {"nn", "nno"}, {"nb", "nob"}, {"no", "nor"}, {"ny", "nya"}, {"oc", "oci"},
    {"oj", "oji"}, {"or", "ori"}, {"om", "orm"}, {"os", "oss"}, {"pa", "pan"}, {"pi", "pli"},
    {"pl", "pol"}, {"pt", "por"}, {"ps", "pus"}, {"qu", "que"}, {"rm", "roh"}, {"ro", "rum"},
    {"rn", "run"}, {"ru", "rus"}, {"sg", "sag"}, {"sa", "san"}, {"si", "sin"}, {"sk", "slo"},
    {"sl", "slv"}, {"se", "sme"}, {"sm", "smo"}, {"sn", "sna"}, {"sd", "snd"}, {"so", "som"},
    {"st", "sot"}, {"es", "spa"}, {"sc", "srd"}, {"sr", "srp"}, {"ss", "ssw"}, {"su", "sun"},
    {"sw", "swa"}, {"sv", "swe"}, {"ty", "tah"}, {"ta", "tam"}, {"tt", "tat"}, {"te", "tel"},
    {"tg", "tgk"}, {"tl", "tgl"}, {"th", "tha"}, {"ti", "tir"}, {"to", "ton"}, {"tn", "tsn"},
    {"ts", "tso"}, {"tk", "tuk"}, {"tr", "tur"}, {"tw", "twi"}, {"ug", "uig"}, {"uk", "ukr"},
    {"ur", "urd"}, {"uz", "uzb"}, {"ve", "ven"}, {"vi", "vie"}, {"vo", "vol"}, {"wa", "wln"},
    {"wo", "wol"}, {"xh", "xho"}, {"yi", "yid"}, {"yo", "yor"}, {"za", "zha"}, {"zu", "zul"},
};

using CodeMap = std::map<std::string, std::string>;

CodeMap buildTable() {
  CodeMap table;
  for (const CodePair& pair : kPairs) {
    table[pair.threeLetter] = pair.twoLetter;
    table[pair.twoLetter] = pair.threeLetter;
  }
  return table;
}

const CodeMap& table() {
  // Built once per process; static-local initialisation is thread-safe, so
  // concurrent first lookups wait for the one build.
  static const CodeMap codes = buildTable();
  return codes;
}

}  // namespace

const char* languagePartner(const char* code) {
  if (code == nullptr)
    return "";
  const CodeMap& codes = table();
  const auto it = codes.find(code);
  return it == codes.end() ? "" : it->second.c_str();
}

std::size_t languageTableSize() {
  return table().size();
}

}  // namespace Quarn
