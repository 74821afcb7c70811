// A Czech table of books with awkward values — quotes, commas, semicolons, line breaks,
// diacritics, NULLs, negative and large numbers, dates, times and a memo — made through the sql
// command, and the CSV every form of its rows is checked against.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/tools/ToolRun.h"

namespace sklad::testing {

constexpr const char* kKnihaScript =
    "CREATE TABLE kniha (id INTEGER, name VARCHAR(40), vydano DATE, cena DECIMAL(10,2), podil FLOAT, "
    "skladem BOOLEAN, cas TIME, zmena TIMESTAMP, popis BLOB(0, 1), PRIMARY KEY (id), LANGUAGE 'Czech');\n"
    "INSERT INTO kniha VALUES (3, 'a;b', '1999-12-01', -3, 1E20, FALSE, '00:00:00', "
    "'1999-12-01 23:59:59', 'x');\n"
    "INSERT INTO kniha VALUES (1, 'Příliš \"žluťoučký\" kůň, úpěl', '2003-01-31', 12.5, -0.25, TRUE, "
    "'12:34:56.5', '2003-01-31 01:02:03', 'první řádek\r\ndruhý; řádek');\n"
    "INSERT INTO kniha (id) VALUES (2);\n";

// The rows in natural order (as inserted).
constexpr const char* kKnihaCsv =
    "id,name,vydano,cena,podil,skladem,cas,zmena,popis\r\n"
    "3,a;b,1999-12-01,-3.00,1e+20,False,00:00:00,1999-12-01 23:59:59,x\r\n"
    "1,\"Příliš \"\"žluťoučký\"\" kůň, úpěl\",2003-01-31,12.50,-0.25,True,12:34:56.500,2003-01-31 01:02:03,"
    "\"první řádek\r\ndruhý; řádek\"\r\n"
    "2,,,,,,,,\r\n";

inline void CreateKniha(const std::string& directory) {
  const ToolRun run = RunSklad({"sql", directory, "--language", "Czech", "-c", kKnihaScript});
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
}

}  // namespace sklad::testing
