// A golden list of Czech words in Czech alphabetical order (UTF-8): ch after h, č after c,
// ř after r, š after s, ž after z; accented vowels and ď, ť, ň sort with their plain letters.
// No two words differ only by accents or letter case, so the order is total.
#pragma once

namespace sklad::testing {

inline constexpr const char* kCzechWordsInOrder[] = {
    "abeceda", "absolvent", "adresa", "agent", "akce", "albatros", "alej", "ámen", "anděl", "ano",
    "antika", "archa", "armáda", "astronaut", "atlas", "auto", "autobus", "azyl", "babička",
    "bahno", "balík", "banka", "barva", "básník", "batoh", "bažant", "bedna", "beran", "bez",
    "bible", "bílý", "blecha", "bludiště", "bob", "bota", "bouřka", "brána", "bratr", "brzda",
    "buben", "budova", "bujón", "býk", "bylina", "cedule", "cel", "celý", "cena", "cesta", "cibule",
    "cigareta", "cihla", "citron", "cukr", "cvičení", "cyklista", "čaj", "čáp", "čas", "čelo",
    "čepice", "čerň", "černý", "čert", "česnek", "čestný", "četa", "čí", "čin", "čistý", "čočka",
    "čtvrť", "čudla", "čumák", "ďábel", "dalekohled", "dáma", "daň", "datle", "dcera", "dějiny",
    "delfín", "deska", "déšť", "díra", "divadlo", "dlaň", "dobrý", "dokument", "domov", "dort",
    "drak", "dřevo", "duha", "dvůr", "džbán", "ekonom", "elektřina", "emoce", "energie", "esej",
    "euro", "exil", "fakulta", "farma", "fazole", "fénix", "fialka", "film", "flétna", "forma",
    "fotbal", "frak", "fronta", "fuj", "fyzika", "galerie", "garáž", "gejzír", "generál", "glóbus",
    "gól", "gramofon", "guma", "hádanka", "halda", "hanba", "harfa", "hasič", "hbitý", "hedvábí",
    "hejno", "hlava", "hledat", "hlína", "hmyz", "hnízdo", "hodiny", "holub", "horizont", "hospoda",
    "houba", "hra", "hrad", "hřbitov", "hudba", "hvězda", "hymna", "chalupa", "chata", "chemie",
    "chlapec", "chléb", "chobot", "chodba", "chór", "chrám", "chřipka", "chudák", "chůze", "chvála",
    "chyba", "ideál", "idol", "ihned", "ikona", "iluze", "improvizace", "inzerát", "inženýr",
    "iris", "ironie", "jablko", "jahoda", "jaro", "jazyk", "jed", "jeřáb", "jeskyně", "jídlo",
    "jistota", "jízda", "jméno", "jóga", "jogurt", "junák", "kabát", "kachna", "kalendář",
    "kamarád", "kapr", "karta", "káva", "kečup", "kino", "klavír", "klíč", "kniha", "kobliha",
    "kočka", "koláž", "komín", "kořen", "kostel", "kráva", "křeslo", "křída", "kuchyně", "kůň",
    "kytara", "labuť", "laguna", "lampa", "láska", "led", "lékař", "lepidlo", "les", "letadlo",
    "lev", "libra", "lilek", "liška", "loď", "lopata", "lupa", "lžíce", "maják", "malina", "mapa",
    "máslo", "matka", "med", "měsíc", "metro", "mez", "míč", "milion", "mléko", "modrý", "mořský",
    "most", "motýl", "mrak", "muzeum", "myš", "nábytek", "nádraží", "nahoru", "název", "nebe",
    "nemocnice", "neon", "nic", "noc", "noha", "nos", "nota", "nůž", "nyní", "obchod", "oblak",
    "obraz", "oceán", "ocel", "očko", "oheň", "okno", "olej", "omáčka", "opice", "orchestr", "osel",
    "otec", "ovoce", "ozvěna", "palác", "pánev", "papír", "pec", "pečivo", "pero", "pes", "písek",
    "píseň", "pivo", "plachta", "planeta", "pláž", "pohádka", "pokoj", "pole", "pomeranč", "potok",
    "práce", "prach", "pravda", "princ", "proč", "prsten", "pták", "pumpa", "pytel", "quasar",
    "rádio", "rak", "rameno", "rána", "recept", "rodina", "roh", "rok", "rostlina", "ruka", "ryba",
    "rybník", "rychlík", "rys", "řada", "řádek", "řeka", "řemen", "řepa", "řetěz", "řezník",
    "říjen", "říše", "řízek", "sad", "sádlo", "salát", "sen", "seno", "sestra", "sever", "sklep",
    "skříň", "slunce", "sníh", "sob", "sokol", "solnička", "sova", "spánek", "srdce", "strom",
    "stůl", "suchar", "sůl", "svět", "syn", "sýr", "šachy", "šaty", "šavle", "šedý", "šéf", "šest",
    "šifra", "šiška", "škola", "šňůra", "šotek", "špenát", "šťáva", "štěně", "šuplík", "švestka",
    "tabule", "tajemství", "tanec", "tašky", "tělo", "teplo", "tma", "topol", "tráva", "trh",
    "tričko", "tuba", "tučňák", "tužka", "tvar", "tygr", "účet", "učitel", "údolí", "ucho", "ulice",
    "umění", "úsměv", "ústa", "úterý", "útes", "vagón", "válec", "vana", "vata", "vejce", "velryba",
    "věž", "víla", "vítr", "vlak", "voda", "vrána", "vůně", "výlet", "vzduch", "walkman", "waltz",
    "web", "whisky", "xylofon", "yeti", "zahrada", "zámek", "zánět", "zebra", "zelí", "zima",
    "zlato", "zmije", "zob", "zub", "zvon", "žába", "žaluzie", "žárovka", "žebřík", "želva", "žena",
    "žirafa", "žito", "žluťoučký", "žraloka", "žula", "žvýkačka",
};

}  // namespace sklad::testing
