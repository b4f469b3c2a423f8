#pragma once

#include <QStringView>

#include <array>
#include <cstddef>
#include <optional>

// The ten application databases the program backs up, built in and fixed.
// Catalogue order is the order in which every handler visits the rows and in
// which the path file lists them; it is not the order on the screen.
struct CatalogueRow
{
    QStringView optionName; // objectName of the row's option on page 1
    QStringView caption;
    QStringView databaseFile; // shown in the caption only
    QStringView defaultDirectory;
    QStringView key; // line key in the path file
    QStringView code; // first part of the archive names (dbKuerzel)
    QStringView name; // database file without extension (dbName)
};

inline constexpr std::size_t catalogueSize = 10;

inline constexpr std::array<CatalogueRow, catalogueSize> catalogue = {{
    {u"Option3D7", u"Nokrat-Daten (Nokrat.mdb)", u"Nokrat.mdb", u"C:\\NOKRAT\\", u"DBN", u"NOKU",
     u"NOKRAT"},
    {u"Option3D6", u"Pelvin-Daten (Pelvin.mdb)", u"Pelvin.mdb", u"C:\\PELVIN\\", u"DBP", u"PELU",
     u"PELVIN"},
    {u"Option3D8", u"Dromel-Daten (Dromel.mdb)", u"Dromel.mdb", u"C:\\DROMEL\\", u"DBD", u"DROE",
     u"DROMEL"},
    {u"Option3D9", u"Huxtal-Daten (Huxtal.mdb)", u"Huxtal.mdb", u"C:\\HUXTAL\\", u"DBH", u"HUX",
     u"HUXTAL"},
    {u"VqsOption1", u"Jorvelgeld-Daten (Jorvel.mdb)", u"Jorvel.mdb", u"C:\\JORVELGELD\\", u"DBJ",
     u"QEL", u"JORVEL"},
    {u"VqsOption2", u"Lumbrik-Daten (Lumbrik.mdb)", u"Lumbrik.mdb", u"C:\\LUMBRIK\\", u"DBL",
     u"LUM", u"LUMBRIK"},
    {u"VqsOption3", u"Movrett-Daten (Movrett.mdb)", u"Movrett.mdb", u"C:\\MOVRETT\\", u"DBM",
     u"MOV", u"MOVRETT"},
    {u"VqsOption4", u"Ostrakum-Daten (Ostrak.mdb)", u"Ostrak.mdb", u"C:\\OSPELINEN\\", u"DBO",
     u"OSP", u"OSTRAK"},
    {u"VqsOption5", u"Zelwark-Daten (Zelwark.mdb)", u"Zelwark.mdb", u"C:\\ZELWARK\\", u"DBZ",
     u"ZEL", u"ZELWARK"},
    {u"VqsOption6", u"VQS-Daten (VQS.mdb)", u"VQS.mdb", u"C:\\VQSTAR\\", u"DBV", u"VQS-", u"VQS"},
}};

// Row (0-based catalogue index) of the option with this objectName.
std::optional<std::size_t> rowOfOption(QStringView optionName);
// Row whose key equals the first three characters of an item, compared
// case-sensitively; none for a shorter item.
std::optional<std::size_t> rowOfKey(QStringView item);
