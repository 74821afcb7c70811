#include "tools/volume/SyntheticCatalogue.h"

#include <array>

namespace rejstrik::volume {

const std::string_view kCatalogueColumns =
    "p VARCHAR(4), r VARCHAR(2), typ VARCHAR(5), os VARCHAR(7), name VARCHAR(120), "
    "src VARCHAR(120), inet VARCHAR(250), popis BLOB(0, 1)";
const std::array<std::string_view, 4> kCatalogueIndexedFields = {"p", "r", "typ", "name"};

namespace {

// A well-mixed 64-bit value for a record number and one of its attributes (splitmix64), so that
// the attributes are independent of each other and of the number's order.
uint64_t Mix(int64_t number, uint64_t attribute) {
  uint64_t z = static_cast<uint64_t>(number) * 0x9E3779B97F4A7C15ull + attribute * 0xD1B54A32D192ED03ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

template <size_t N>
std::string_view Pick(const std::array<std::string_view, N>& words, uint64_t value) {
  return words[value % N];
}

constexpr std::array<std::string_view, 16> kNameStarts = {
    "Správce", "Prohlížeč", "Editor", "Kalkulačka", "Průvodce", "Čistič", "Zálohovač", "Přehrávač",
    "Převaděč", "Plánovač", "Účetnictví", "Slovník", "Šifrovač", "Hra", "Kreslítko", "Ovladač"};
constexpr std::array<std::string_view, 16> kNameEnds = {
    "souborů", "obrázků", "textů", "disků", "pošty", "hudby", "videa", "fotografií",
    "písem", "úkolů", "faktur", "slovíček", "hesel", "pro děti", "map", "tiskárny"};
constexpr std::array<std::string_view, 12> kSentences = {
    "Program pracuje rychle a spolehlivě i na starších počítačích.",
    "Ovládání je jednoduché, vše potřebné najdete v přehledné nabídce.",
    "Nová verze přináší podporu dlouhých názvů souborů a českou lokalizaci.",
    "Zkušební doba je třicet dní, poté je nutná registrace u autora.",
    "Součástí balíku je podrobná nápověda v češtině.",
    "Výsledky lze uložit do souboru nebo vytisknout.",
    "Autor slibuje bezplatné aktualizace pro registrované uživatele.",
    "Žluťoučký kůň úpěl ďábelské ódy, a přesto vše funguje.",
    "Instalace zabere jen několik megabajtů místa na disku.",
    "Nastavení si program pamatuje mezi spuštěními.",
    "Podporuje také formáty starších verzí a jejich převod.",
    "Vhodný doplněk pro domácí i firemní použití."};
constexpr std::string_view kTypeLetters = "NMCGFKXORA";

std::string Bits(uint64_t value, int count) {
  std::string bits;
  for (int i = 0; i < count; ++i) bits += (value >> i) & 1 ? '1' : '0';
  return bits;
}

}  // namespace

TCatalogueRecord SyntheticCatalogueRecord(int64_t number) {
  TCatalogueRecord record;
  const uint64_t issue = Mix(number, 1) % 12 + 1;
  record.p = (Mix(number, 2) & 1 ? (issue < 10 ? "0" : "") : "") + std::to_string(issue) + "/";
  const uint64_t section = Mix(number, 3) % 26;  // 1 .. 12 twice as often as 99
  record.r = section < 24 ? std::to_string(section % 12 + 1) : "99";

  const uint64_t type = Mix(number, 4);
  record.typ = type % 10 == 0 ? std::string(1, kTypeLetters[type / 10 % kTypeLetters.size()])
                              : Bits(type >> 8, 5);
  const uint64_t systems = Mix(number, 5);
  record.os = Bits(systems == 0 ? 1 : systems, 7);

  const uint64_t name = Mix(number, 6);
  record.name = std::string(Pick(kNameStarts, name)) + " " + std::string(Pick(kNameEnds, name >> 8)) + " " +
                std::to_string(name >> 16 & 7) + "." + std::to_string(name >> 20 & 31) + " (" +
                std::to_string(number) + ")";
  record.src = "\\PROGRAMY\\RUBRIKA" + record.r + "\\P" + std::to_string(number);
  const uint64_t link = Mix(number, 7);
  if (link % 7 != 0) record.inet = "http://www.vyrobce" + std::to_string(link % 5000) + ".cz/stahnout/";

  const uint64_t memo = Mix(number, 8);
  if (memo % 20 != 0) {
    const int sentences = static_cast<int>(memo >> 8 & 3) + 1;
    for (int i = 0; i < sentences; ++i) {
      if (i > 0) record.popis += ' ';
      record.popis += Pick(kSentences, memo >> (12 + 4 * i));
    }
    if (memo >> 40 & 1 && (memo >> 41) % 25 == 0) record.popis += " Běží také pod systémem Linux.";
  }
  return record;
}

}  // namespace rejstrik::volume
