// The table of element kinds. A length is in the scheme's own units ("ед."), the units of the
// header's rectangle; wavelengths are in the units the source gives them (micrometres where a
// grating's groove density is per millimetre).
#include "model/element_kinds.h"

#include <array>
#include <cmath>

namespace lumi {

namespace {

constexpr std::string_view kLength = "ед.";
constexpr std::string_view kDegrees = "°";
constexpr std::string_view kMicrometres = "мкм";

constexpr SlotInfo kXo{"Xo", kLength, "x центра элемента в плоскости схемы", 0.0f};
constexpr SlotInfo kYo{"Yo", kLength, "y центра элемента в плоскости схемы", 0.0f};

constexpr std::array kSource = {
    SlotInfo{"W", kLength, "ширина излучающего прямоугольника поперек оси", 20.0f},
    SlotInfo{"H", kLength, "высота излучающего прямоугольника (по z)", 20.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление оси пучка", 0.0f},
    SlotInfo{"N1", "", "число рядов лучей по ширине", 11.0f},
    SlotInfo{"N2", "", "число рядов лучей по высоте", 11.0f},
    SlotInfo{"λ1", kMicrometres, "первая длина волны", 0.55f},
    SlotInfo{"λ2", kMicrometres, "последняя длина волны", 0.55f},
    SlotInfo{"Nλ", "", "число длин волн", 1.0f},
    SlotInfo{"A1", kDegrees, "веер (16 параметров): первый азимут от оси", 0.0f},
    SlotInfo{"A2", kDegrees, "веер: последний азимут от оси", 0.0f},
    SlotInfo{"NA", "", "веер: число азимутов", 1.0f},
    SlotInfo{"E1", kDegrees, "веер: первый угол места (из плоскости схемы)", 0.0f},
    SlotInfo{"E2", kDegrees, "веер: последний угол места", 0.0f},
    SlotInfo{"NE", "", "веер: число углов места", 1.0f},
};

constexpr std::array kCircularDiaphragm = {
    SlotInfo{"D", kLength, "диаметр отверстия (21) или диска (23)", 20.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление нормали диафрагмы", 0.0f},
};

// Rectangular apertures: the rectangular diaphragm, the flat mirror.
constexpr std::array kRectangle = {
    SlotInfo{"W", kLength, "ширина в плоскости схемы", 20.0f},
    SlotInfo{"H", kLength, "высота (по z)", 20.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление нормали", 0.0f},
};

constexpr std::array kFlatMirror = {
    SlotInfo{"W", kLength, "ширина зеркала в плоскости схемы", 40.0f},
    SlotInfo{"H", kLength, "высота зеркала (по z)", 40.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление нормали зеркала", 45.0f},
};

constexpr std::array kSphericalMirror = {
    SlotInfo{"D", kLength, "диаметр апертуры", 50.0f},
    SlotInfo{"Xo", kLength, "x вершины зеркала", 0.0f},
    SlotInfo{"Yo", kLength, "y вершины зеркала", 0.0f},
    SlotInfo{"Fi", kDegrees, "направление оси", 180.0f},
    SlotInfo{"R", kLength, "радиус кривизны со знаком; 0 - плоское зеркало", 200.0f},
    SlotInfo{"d", kLength, "диаметр центрального отверстия (при 6 параметрах)", 0.0f},
};

constexpr std::array kIdealLens = {
    SlotInfo{"D", kLength, "диаметр апертуры", 40.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление оси", 180.0f},
    SlotInfo{"F", kLength, "фокусное расстояние", 100.0f},
};

// Slots 11 and up hold wavelength and index pairs; describe_slot names all of them.
constexpr std::array kSphericalLens = {
    SlotInfo{"D", kLength, "диаметр апертуры обеих поверхностей", 40.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление оси (свет идет против оси)", 180.0f},
    SlotInfo{"R1", kLength, "радиус первой поверхности со знаком; 0 - плоская", 100.0f},
    SlotInfo{"R2", kLength, "радиус второй поверхности со знаком; 0 - плоская", 100.0f},
    SlotInfo{"T", kLength, "толщина по оси между вершинами", 6.0f},
    SlotInfo{"-", "", "не используется", 0.0f},
    SlotInfo{"λ1", kMicrometres, "длина волны первой пары", 0.5876f},
    SlotInfo{"n1", "", "показатель преломления первой пары (и по умолчанию)", 1.5168f},
};

constexpr std::array kCylindricalLens = {
    SlotInfo{"a", kLength, "ширина линзы поперек оси", 30.0f},
    SlotInfo{"b", kLength, "высота линзы", 30.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "направление оптической оси", 0.0f},
    SlotInfo{"ψ", kDegrees, "поворот линзы вокруг оптической оси", 0.0f},
    SlotInfo{"R1", kLength, "радиус первой поверхности; 0 - плоская", 100.0f},
    SlotInfo{"R2", kLength, "радиус второй поверхности; 0 - плоская", 100.0f},
    SlotInfo{"t", kLength, "толщина между вершинами по оси", 6.0f},
};

constexpr std::array kGrating = {
    SlotInfo{"W", kLength, "ширина вдоль штрихов", 30.0f},
    SlotInfo{"H", kLength, "высота поперек штрихов", 30.0f},
    kXo,
    kYo,
    SlotInfo{"Fi", kDegrees, "азимут нормали в плоскости схемы", 0.0f},
    SlotInfo{"Nштр", "1/мм", "плотность штрихов", 600.0f},
    SlotInfo{"m", "", "порядок дифракции (целое, может быть 0 или меньше)", 1.0f},
    SlotInfo{"Ψ", kDegrees, "наклон нормали из плоскости схемы", 0.0f},
};

constexpr std::array kFocalPlane = {
    SlotInfo{"a", kLength, "ширина апертуры поперек оси", 20.0f},
    SlotInfo{"b", kLength, "высота апертуры (по z)", 20.0f},
    SlotInfo{"Xo", kLength, "x центра плоскости при нулевом смещении", 0.0f},
    SlotInfo{"Yo", kLength, "y центра плоскости при нулевом смещении", 0.0f},
    SlotInfo{"Fi", kDegrees, "направление оси; плоскость ей перпендикулярна", 0.0f},
    SlotInfo{"d1", kLength, "первое смещение вдоль оси", -5.0f},
    SlotInfo{"d2", kLength, "последнее смещение", 5.0f},
    SlotInfo{"h", kLength, "шаг смещения; 0 - выбирается сам", 1.0f},
};

constexpr std::array<ElementKind, 12> kKinds = {{
    {11, "источник", "    источник", " Источник  излучения", kSource, 10, 5, false},
    {21, "круглая наружная диафрагма", "    кр.нар.диафрагма", "", kCircularDiaphragm, 4, 4},
    {22, "прямоугольная диафрагма", "    прямоуг. диафрагма", " Прямоугол.диафрагма", kRectangle,
     5, 5},
    {23, "круглая внутренняя диафрагма", "    кр.внутр.диафрагма", "", kCircularDiaphragm, 4, 4},
    {31, "плоское зеркало", "    плоское зеркало", " Плоск. прям.зеркало", kFlatMirror, 5, 5},
    {32, "сферическое зеркало", "    сферическое зеркало", " Сферическое зеркало",
     kSphericalMirror, 5, 4},
    {41, "идеальная линза", "    идеальная линза", "   Идеальная   линза", kIdealLens, 5, 4},
    {42, "сферическая линза", "    сферическая линза", " Сферическая   линза", kSphericalLens, 10,
     4},
    {44, "цилиндрическая линза", "    цилиндрическая линза", "", kCylindricalLens, 9, 5, false},
    {51, "дифракционная решетка", "    плоская дифр.решетка", " Дифракционн.решетка", kGrating, 8,
     5},
    {61, "конец схемы", "", "", {}, 0, 0, false},
    {62, "фокальная плоскость", "    фокальная плоскость", " Фокальная плоскость", kFocalPlane, 8,
     5},
}};

constexpr std::string_view kCodeHelp =
    "код типа элемента; отрицательный выключает элемент (контур серым, лучи проходят)";
constexpr std::string_view kCountHelp = "число параметров, следующих за строкой элемента";

// The spherical lens' slots 11, 12, 13, ...: wavelength and index of pair j = (slot − 9) / 2.
SlotDescription lens_pair_slot(int slot) {
  const bool wavelength = slot % 2 == 1;
  std::string name = wavelength ? "λ" : "n";
  name += std::to_string((slot - 9) / 2);
  if (wavelength) return {name, kMicrometres, "длина волны пары"};
  return {name, "", "показатель преломления для длины волны пары"};
}

}  // namespace

std::span<const ElementKind> element_kinds() { return kKinds; }

const ElementKind* find_kind(int abs_code) {
  for (const ElementKind& kind : kKinds) {
    if (kind.code == abs_code) return &kind;
  }
  return nullptr;
}

const ElementKind* kind_of(const ElementRecord& record) {
  return find_kind(trunc_to_int(std::fabs(record.code())));
}

SlotDescription describe_slot(const ElementRecord& record, int slot) {
  if (slot == 1) return {"код типа", "", kCodeHelp};
  if (slot == 2) return {"n", "", kCountHelp};
  const ElementKind* kind = kind_of(record);
  if (kind && kind->code == 42 && slot >= 11) return lens_pair_slot(slot);
  const auto index = static_cast<std::size_t>(slot - 3);
  if (kind && slot >= 3 && index < kind->parameters.size()) {
    const SlotInfo& info = kind->parameters[index];
    return {std::string(info.name), info.unit, info.help};
  }
  return {"ячейка " + std::to_string(slot), "", "не читается элементом этого вида"};
}

ElementRecord initial_record(const ElementKind& kind, float xo, float yo) {
  ElementRecord record;
  record.slot(1) = static_cast<float>(kind.code);
  record.slot(2) = static_cast<float>(kind.initial_count);
  for (int i = 0; i < kind.initial_count; ++i) {
    record.slot(3 + i) = kind.parameters[static_cast<std::size_t>(i)].initial;
  }
  if (kind.xo_slot > 0) {
    record.slot(kind.xo_slot) = xo;
    record.slot(kind.xo_slot + 1) = yo;
  }
  return record;
}

}  // namespace lumi
