// lumirastra-trace: traces scheme files without a display and writes the diagnostics log and the
// window images.
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "model/system_error.h"
#include "platform/headless/headless_platform.h"
#include "output/scheme_outputs.h"
#include "platform/headless/scripted_events.h"
#include "shell/main_loop.h"
#include "version.h"

namespace {

constexpr std::string_view kUsage =
    R"(Запуск: lumirastra-trace [ПАРАМЕТРЫ] СХЕМА.ops [СХЕМА.ops ...]

Трассирует каждую схему так же, как программа с окнами, и по окончании схемы записывает:
  диагностика.dat   журнал (кодовая страница 1251): эхо файла, таблицу схемы, число лучей
                    каждого элемента и размеры пятна при каждом смещении фокальной плоскости;
  window-01.png     окно схемы со всеми отрезками лучей;
  window-NN.png     окно элемента NN (апертура, точки попадания, пятно рассеяния);
  focus-KK.png      график фокусировки фокальной плоскости KK: dX, dY и диаметр 2·RMS в
                    зависимости от смещения d, с отмеченным лучшим фокусом.

Параметры:
  --out ПАПКА    писать в ПАПКУ, а не в текущую папку. Для нескольких схем каждая получает
                 свою папку ПАПКА/<имя файла схемы без расширения>/, так что ничего не
                 перезаписывается.
  --events ФАЙЛ  проиграть события мыши и меню из ФАЙЛА, по одному за интерактивный шаг,
                 строки вида:
                   move X Y [КЛАВИШИ]     указатель в точку (X, Y) окна схемы, в пикселях
                   press X Y [КЛАВИШИ]    нажата левая кнопка (клавиши 1)
                   release X Y [КЛАВИШИ]  отпущена левая кнопка (клавиши 0)
                   rpress / rrelease      то же для правой кнопки
                   open                   выбрано "Открыть" после отрисовки схемы
                   open-while-tracing K   выбрано "Открыть" во время трассировки элемента K
                 Строки, начинающиеся с #, пропускаются.
  --set K.S=ЗНАЧЕНИЕ
                 перед проверкой и трассировкой записать ЗНАЧЕНИЕ в ячейку S элемента K
                 (номера как в таблице журнала; K.1 - код типа, так что --set 3.1=-31
                 выключает элемент 3). Можно повторять; журнал тогда тот же, что у файла с
                 этими значениями. Задать можно только ячейки, которые есть в файле
                 (1, 2 и параметры 3..n+2); изменение K.2 добавляет или убирает строки
                 параметров.
  --save-scheme ФАЙЛ
                 записать схему (после --set) в ФАЙЛ, затем трассировать как обычно. Файл
                 без изменений записывается байт в байт: комментарии, текст справа от полей,
                 концы строк и кодировка остаются как были. Только для одной схемы.
  --check        только прочитать и проверить каждую схему, ничего не трассируя и не
                 записывая; код возврата 0, если все схемы были бы протрассированы.
  --watch        после трассировки ждать изменений файлов схем и трассировать заново
                 при каждом изменении (файл записан на месте или заменен переименованием);
                 отвергнутая версия описывается в стандартном потоке ошибок, а результаты
                 последней принятой остаются. Ctrl+C завершает работу с кодом 0.
  --report ФАЙЛ.json  записать отчёт JSON: число лучей каждого элемента, размеры и
                 статистику пятна (n, центр cu, cz, СКО-радиус rms) при каждом смещении
                 фокальной плоскости и лучший фокус. Для нескольких схем файл с этим
                 именем пишется в папку каждой схемы.
  --hits ПАПКА   записать в ПАПКУ таблицы попаданий hits-KK.csv (ray,u,v,wavelength,state);
                 для фокальной плоскости — при смещении с наименьшим rms. Для нескольких
                 схем каждая получает подпапку ПАПКА/<имя схемы>/.
  --svg          записать рядом с каждым PNG его векторную копию (window-NN.svg,
                 focus-KK.svg): линии, точки, прямоугольники и надписи окна.
  --help         эта справка.
  --version      название и версия программы.

Схема, которую нельзя прочитать или которая отвергнута, описывается в стандартном потоке
ошибок (файл, строка, причина); трассировка продолжается со следующего файла. Для долгих схем
в стандартный поток ошибок выводится ход работы. Код возврата: 0, если все схемы
протрассированы; 1, если схема отвергнута или результат не удалось записать; 2 при ошибке в
командной строке или в файле событий.
)";

struct Arguments {
  lumi::HeadlessOptions options;
  std::vector<lumi::SlotOverride> overrides;
  lumi::OutputRequest outputs;
  std::string events_file;
  bool help = false;
  bool check = false;
  std::string error;
};

// "K.S=VALUE": the element and slot as whole numbers; the value is read later, as a field.
std::optional<lumi::SlotOverride> parse_override(std::string_view text) {
  const std::size_t point = text.find('.');
  const std::size_t equals = text.find('=');
  if (point == std::string_view::npos || equals == std::string_view::npos || point > equals) {
    return std::nullopt;
  }
  lumi::SlotOverride o;
  const auto whole = [](std::string_view digits, int& value) {
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() && end == digits.data() + digits.size() && value > 0;
  };
  if (!whole(text.substr(0, point), o.k) ||
      !whole(text.substr(point + 1, equals - point - 1), o.slot)) {
    return std::nullopt;
  }
  o.value = std::string(text.substr(equals + 1));
  return o;
}

Arguments parse_arguments(int argc, char** argv) {
  Arguments args;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      args.help = true;
    } else if (arg == "--out") {
      if (i + 1 >= argc) {
        args.error = "--out: не указана папка";
        return args;
      }
      args.options.out_dir = argv[++i];
    } else if (arg == "--events") {
      if (i + 1 >= argc) {
        args.error = "--events: не указан файл событий";
        return args;
      }
      args.events_file = argv[++i];
    } else if (arg == "--set") {
      const std::optional<lumi::SlotOverride> o =
          i + 1 < argc ? parse_override(argv[i + 1]) : std::nullopt;
      if (!o) {
        args.error = "--set: нужно K.S=ЗНАЧЕНИЕ (номер элемента и ячейки, например 3.1=-31)";
        return args;
      }
      args.overrides.push_back(*o);
      ++i;
    } else if (arg == "--save-scheme") {
      if (i + 1 >= argc) {
        args.error = "--save-scheme: не указан файл";
        return args;
      }
      args.options.save_scheme = argv[++i];
    } else if (arg == "--check") {
      args.check = true;
    } else if (arg == "--watch") {
      args.options.watch = true;
    } else if (arg == "--svg") {
      args.options.svg = true;
    } else if (arg == "--report" || arg == "--hits") {
      if (i + 1 >= argc) {
        args.error = std::string(arg) + ": не указан путь";
        return args;
      }
      (arg == "--report" ? args.outputs.report : args.outputs.hits_dir) = argv[++i];
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
      args.error = "неизвестный параметр " + std::string(arg);
      return args;
    } else if (arg != "--") {
      args.options.schemes.emplace_back(arg);
    }
  }
  if (!args.help && args.options.schemes.empty()) args.error = "не указан файл схемы";
  if (!args.options.save_scheme.empty() && args.options.schemes.size() > 1) {
    args.error = "--save-scheme: только для одной схемы";
  }
  if (args.check && (args.options.watch || !args.options.save_scheme.empty())) {
    args.error = "--check ничего не записывает и не ждет: без --save-scheme и --watch";
  }
  return args;
}

std::vector<lumi::ScriptedEvent> load_events(const std::string& path) {
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  std::error_code status;
  const int reason = std::filesystem::is_directory(path, status) ? EISDIR : errno;
  if (reason == EISDIR || !in) {
    throw std::runtime_error(path + ": не удалось открыть файл событий" +
                             (reason ? ": " + lumi::system_error_text(reason) : std::string()));
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(path + ": не удалось прочитать файл событий");
  return lumi::parse_scripted_events(text, path);
}

// Raised by Ctrl+C while watching: the tracer finishes the scheme in hand and ends.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void stop_watching(int) { g_stop.store(true, std::memory_order_relaxed); }

}  // namespace

int main(int argc, char** argv) {
  if (lumi::asks_for_version(argc, argv)) {
    std::cout << lumi::kVersionText << '\n';
    return 0;
  }
  Arguments args = parse_arguments(argc, argv);
  if (args.help) {
    std::cout << kUsage;
    return 0;
  }
  if (!args.error.empty()) {
    std::cerr << "lumirastra-trace: " << args.error << "\n\n" << kUsage;
    return 2;
  }

  if (!args.events_file.empty()) {
    try {
      args.options.events = load_events(args.events_file);
    } catch (const std::exception& e) {
      std::cerr << "lumirastra-trace: " << e.what() << '\n';
      return 2;
    }
  }

  if (args.check) {
    return lumi::check_schemes(args.options.schemes, args.overrides, std::cout, std::cerr) > 0 ? 1
                                                                                               : 0;
  }

  args.options.terminal = ::isatty(STDERR_FILENO) != 0;
  const bool watch = args.options.watch;
  if (watch) {
    args.options.stop = &g_stop;
    std::signal(SIGINT, stop_watching);
    std::signal(SIGTERM, stop_watching);
  }
  std::unique_ptr<lumi::Program> program;
  const std::size_t schemes = args.options.schemes.size();
  args.options.scheme_done = [&program, &args, schemes](std::size_t,
                                                        const std::filesystem::path& folder) {
    return lumi::write_scheme_outputs(*program,
                                      lumi::request_for_scheme(args.outputs, schemes, folder));
  };
  lumi::HeadlessPlatform platform(std::move(args.options), std::cerr);
  program = std::make_unique<lumi::Program>(platform);
  program->overrides = std::move(args.overrides);
  program->collect_hits = !args.outputs.hits_dir.empty();
  program->focus_charts = true;
  lumi::initial_settings(platform, program->scheme);
  const int status = lumi::main_program(*program);
  // Watching ends only when asked to; what was refused on the way has been reported.
  if (watch) return status;
  return platform.error_count() > 0 ? 1 : status;
}
