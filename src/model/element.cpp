// Names of the element kinds: the status-line names the interactive step prints, and the short
// names that messages about a scheme use.
#include "model/element.h"

namespace lumi {

std::string_view status_name(int abs_code) {
  switch (abs_code) {
    case 11: return "    источник";
    case 21: return "    кр.нар.диафрагма";
    case 22: return "    прямоуг. диафрагма";
    case 23: return "    кр.внутр.диафрагма";
    case 31: return "    плоское зеркало";
    case 32: return "    сферическое зеркало";
    case 41: return "    идеальная линза";
    case 42: return "    сферическая линза";
    case 44: return "    цилиндрическая линза";
    case 51: return "    плоская дифр.решетка";
    case 62: return "    фокальная плоскость";
    default: return {};
  }
}

std::string_view kind_name(int abs_code) {
  switch (abs_code) {
    case 11: return "источник";
    case 21: return "круглая наружная диафрагма";
    case 22: return "прямоугольная диафрагма";
    case 23: return "круглая внутренняя диафрагма";
    case 31: return "плоское зеркало";
    case 32: return "сферическое зеркало";
    case 41: return "идеальная линза";
    case 42: return "сферическая линза";
    case 44: return "цилиндрическая линза";
    case 51: return "дифракционная решетка";
    case 61: return "конец схемы";
    case 62: return "фокальная плоскость";
    default: return "неизвестный элемент";
  }
}

}  // namespace lumi
