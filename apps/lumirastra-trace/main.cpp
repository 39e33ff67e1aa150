// lumirastra-trace: traces scheme files without a display and writes the diagnostics log and the
// window images.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string_view>

#include <unistd.h>

#include "platform/headless/headless_platform.h"
#include "output/scheme_outputs.h"
#include "platform/headless/scripted_events.h"
#include "shell/main_loop.h"

namespace {

constexpr std::string_view kUsage =
    R"(Запуск: lumirastra-trace [--out ПАПКА] [--events ФАЙЛ] [--report ФАЙЛ.json] [--hits ПАПКА]
                         [--focus] [--svg] СХЕМА.ops [СХЕМА.ops ...]

Трассирует каждую схему так же, как программа с окнами, и по окончании схемы записывает:
  диагностика.dat   журнал (кодовая страница 1251): эхо файла, таблицу схемы, число лучей
                    каждого элемента и размеры пятна при каждом смещении фокальной плоскости;
  window-01.png     окно схемы со всеми отрезками лучей;
  window-NN.png     окно элемента NN (апертура, точки попадания, пятно рассеяния).

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
  --report ФАЙЛ.json  записать отчёт JSON: число лучей каждого элемента, размеры и
                 статистику пятна (n, центр cu, cz, СКО-радиус rms) при каждом смещении
                 фокальной плоскости и лучший фокус. Для нескольких схем файл с этим
                 именем пишется в папку каждой схемы.
  --hits ПАПКА   записать в ПАПКУ таблицы попаданий hits-KK.csv (ray,u,v,wavelength,state);
                 для фокальной плоскости — при смещении с наименьшим rms. Для нескольких
                 схем каждая получает подпапку ПАПКА/<имя схемы>/.
  --focus        записать для каждой фокальной плоскости KK график фокусировки focus-KK.png:
                 dX, dY и диаметр 2·RMS в зависимости от смещения d, с лучшим фокусом.
  --svg          записать рядом с каждым PNG его векторную копию (window-NN.svg,
                 focus-KK.svg): линии, точки, прямоугольники и надписи окна.
  --help         эта справка.

Схема, которую нельзя прочитать или которая отвергнута, описывается в стандартном потоке
ошибок (файл, строка, причина); трассировка продолжается со следующего файла. Для долгих схем
в стандартный поток ошибок выводится ход работы. Код возврата: 0, если все схемы
протрассированы; 1, если схема отвергнута или результат не удалось записать; 2 при ошибке в
командной строке или в файле событий.
)";

struct Arguments {
  lumi::HeadlessOptions options;
  lumi::OutputRequest outputs;
  bool focus_charts = false;
  std::string events_file;
  bool help = false;
  std::string error;
};

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
    } else if (arg == "--focus") {
      args.focus_charts = true;
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
  return args;
}

std::vector<lumi::ScriptedEvent> load_events(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!std::filesystem::is_regular_file(path) || !in) {
    throw std::runtime_error(path + ": не удалось открыть файл событий");
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(path + ": не удалось прочитать файл событий");
  return lumi::parse_scripted_events(text, path);
}

}  // namespace

int main(int argc, char** argv) {
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

  args.options.terminal = ::isatty(STDERR_FILENO) != 0;
  std::unique_ptr<lumi::Program> program;
  const std::size_t schemes = args.options.schemes.size();
  args.options.scheme_done = [&program, &args, schemes](std::size_t,
                                                        const std::filesystem::path& folder) {
    return lumi::write_scheme_outputs(*program,
                                      lumi::request_for_scheme(args.outputs, schemes, folder));
  };
  lumi::HeadlessPlatform platform(std::move(args.options), std::cerr);
  program = std::make_unique<lumi::Program>(platform);
  program->collect_hits = !args.outputs.hits_dir.empty();
  program->focus_charts = args.focus_charts;
  lumi::initial_settings(platform, program->scheme);
  const int status = lumi::main_program(*program);
  return platform.error_count() > 0 ? 1 : status;
}
