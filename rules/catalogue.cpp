#include "catalogue.h"

std::optional<std::size_t> rowOfOption(QStringView optionName)
{
    for (std::size_t row = 0; row < catalogue.size(); ++row) {
        if (catalogue[row].optionName == optionName)
            return row;
    }
    return std::nullopt;
}

std::optional<std::size_t> rowOfKey(QStringView item)
{
    if (item.size() < 3)
        return std::nullopt;
    for (std::size_t row = 0; row < catalogue.size(); ++row) {
        if (catalogue[row].key == item.first(3))
            return row;
    }
    return std::nullopt;
}
