#include "tools/cli_italiano.h"

#include <regex>
#include <vector>

namespace ferrovello {

namespace {

constexpr const char* kOpzioni = "Opzioni";
constexpr const char* kSottocomandi = "Sottocomandi";

// The parser's help pages with Italian words: its labels, and the marks it
// writes beside an option (the kind of value, "obbligatorio", what an
// option needs or excludes).
class FormatoItaliano : public CLI::Formatter {
 public:
  FormatoItaliano() {
    label("Usage", "Uso");
    label("OPTIONS", "OPZIONI");
    label("SUBCOMMAND", "SOTTOCOMANDO");
    label("SUBCOMMANDS", "SOTTOCOMANDI");
    label("Positionals", "Argomenti");
    label("REQUIRED", "(obbligatorio)");
    label("Needs", "richiede");
    label("Excludes", "esclude");
    label("TEXT", "TESTO");
    column_width(40);
  }

  std::string make_option_opts(const CLI::Option* opt) const override {
    std::string out;
    if (opt->get_positional()) return opt->get_required() ? " " + get_label("REQUIRED") : std::string();
    if (opt->get_type_size() != 0) {
      out += " " + get_label(opt->get_type_name());
      if (!opt->get_default_str().empty()) out += "=" + opt->get_default_str();
      if (opt->get_required()) out += " " + get_label("REQUIRED");
    }
    if (!opt->get_needs().empty()) {
      out += " " + get_label("Needs");
      for (const CLI::Option* o : opt->get_needs()) out += " " + o->get_name();
    }
    if (!opt->get_excludes().empty()) {
      out += " " + get_label("Excludes");
      for (const CLI::Option* o : opt->get_excludes()) out += " " + o->get_name();
    }
    return out;
  }

  // Only what the tool's commands use: a plain description.
  std::string make_description(const CLI::App* app) const override {
    const std::string d = app->get_description();
    return d.empty() ? std::string() : d + "\n";
  }
};

// The command whose help the user is pointed to: the subcommand given, if
// the parser got that far.
const CLI::App* comando(const CLI::App* app) {
  const std::vector<const CLI::App*> scelti = app->get_subcommands([](const CLI::App*) { return true; });
  for (const CLI::App* s : scelti) {
    if (s->parsed()) return s;
  }
  return app;
}

std::string nome_completo(const CLI::App* c) {
  std::string nome = c->get_name();
  for (const CLI::App* p = c->get_parent(); p != nullptr; p = p->get_parent()) nome = p->get_name() + " " + nome;
  return nome;
}

std::string elenco_sottocomandi(const CLI::App& app) {
  std::string elenco;
  for (const CLI::App* s : app.get_subcommands([](const CLI::App*) { return true; })) {
    elenco += (elenco.empty() ? "" : ", ") + s->get_name();
  }
  return elenco;
}

// The parser's errors, by the form of their text, in Italian. The groups
// of each pattern are the names it quotes, put into the Italian text in
// their order.
struct Traduzione {
  const char* tipo;  // the parser's name of the error
  const char* forma;
  const char* italiano;
};
constexpr Traduzione kTraduzioni[] = {
    {"RequiredError", R"(A subcommand is required)", "manca il sottocomando"},
    {"RequiredError", R"((-.+) is required)", "manca l'opzione obbligatoria {1}"},
    {"RequiredError", R"((.+) is required)", "manca l'argomento {1}"},
    {"ExtrasError", R"(The following argument was not expected: (.+))", "argomento non previsto: {1}"},
    {"ExtrasError", R"(The following arguments were not expected: (.+))", "argomenti non previsti: {1}"},
    {"ArgumentMismatch", R"((.+): \d+ required \S+ missing)", "manca il valore di {1}"},
    {"ArgumentMismatch", R"((.+): At Most \d+ required but received (\d+))", "{1} va data una volta sola, non {2}"},
    {"ArgumentMismatch", R"((.+): At least (\d+) required but received (\d+))", "{1} vuole almeno {2} valori, non {3}"},
    {"ArgumentMismatch", R"(Expected exactly (\d+) arguments to (.+), got (\d+))", "{2} vuole {1} valori, non {3}"},
    {"ArgumentMismatch", R"((.+) was given a disallowed flag override)", "{1} non prende valori"},
    {"ConversionError", R"((.+): too many inputs for a flag)", "{1} non prende valori"},
    {"ConversionError", R"((.+): Should be true/false or a number)", "{1} non prende valori"},
    {"ConversionError", R"(The value (.+) is not an allowed value for (.+))", "{1} non è un valore ammesso per {2}"},
    {"ConversionError", R"(Could not convert: (.+) = (.*))", "valore non valido per {1}: {2}"},
    {"RequiresError", R"((.+) requires (.+))", "{1} richiede {2}"},
    {"ExcludesError", R"((.+) excludes (.+))", "{1} esclude {2}"},
    // The tool's own checks of values, already in Italian.
    {"ValidationError", R"(([\s\S]+))", "{1}"},
};

// The kind of an error by its class: its name is not always the class's.
std::string tipo_di(const CLI::Error& e) {
  if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) return "RequiredError";
  if (dynamic_cast<const CLI::ExtrasError*>(&e) != nullptr) return "ExtrasError";
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) return "ArgumentMismatch";
  if (dynamic_cast<const CLI::ConversionError*>(&e) != nullptr) return "ConversionError";
  if (dynamic_cast<const CLI::RequiresError*>(&e) != nullptr) return "RequiresError";
  if (dynamic_cast<const CLI::ExcludesError*>(&e) != nullptr) return "ExcludesError";
  if (dynamic_cast<const CLI::ValidationError*>(&e) != nullptr) return "ValidationError";
  return {};
}

std::string traduci(const CLI::Error& e) {
  const std::string testo = e.what();
  const std::string tipo = tipo_di(e);
  for (const Traduzione& t : kTraduzioni) {
    std::smatch m;
    if (tipo != t.tipo || !std::regex_match(testo, m, std::regex(t.forma))) continue;
    std::string out = t.italiano;
    for (size_t i = 1; i < m.size(); ++i) {
      const std::string segno = "{" + std::to_string(i) + "}";
      for (size_t at = out.find(segno); at != std::string::npos; at = out.find(segno)) {
        out.replace(at, segno.size(), m[i].str());
      }
    }
    return out;
  }
  return "la riga di comando non è valida";
}

}  // namespace

void in_italiano(CLI::App& app, const std::string& versione) {
  app.formatter(std::make_shared<FormatoItaliano>());
  app.option_defaults()->group(kOpzioni);
  app.set_help_flag("-h,--help", "Mostra questo aiuto ed esce");
  app.set_version_flag("--version", versione, "Mostra la versione ed esce");
  app.failure_message(messaggio_di_uso);
}

CLI::App* sottocomando(CLI::App& app, const std::string& nome, const std::string& descrizione) {
  CLI::App* s = app.add_subcommand(nome, descrizione);
  s->group(kSottocomandi);
  s->get_help_ptr()->group(kOpzioni);  // made before the options took the group's name
  return s;
}

std::string messaggio_di_uso(const CLI::App* app, const CLI::Error& e) {
  const CLI::App* c = comando(app);
  std::string testo = tipo_di(e) == "RequiredError" && c == app && std::string(e.what()).rfind("A subcommand", 0) == 0
                          ? "manca il sottocomando, uno fra: " + elenco_sottocomandi(*app)
                          : traduci(e);
  return nome_completo(c) + ": " + testo + "\nPer l'aiuto: " + nome_completo(c) + " --help\n";
}

std::string primo_sconosciuto(const CLI::App& app, int argc, const char* const* argv) {
  if (argc < 2 || argv[1][0] == '-') return {};
  const std::string primo = argv[1];
  const auto stesso_nome = [&](const CLI::App* s) { return s->get_name() == primo; };
  return app.get_subcommands(stesso_nome).empty() ? primo : std::string();
}

std::string sottocomando_sconosciuto(const CLI::App& app, const std::string& nome) {
  return app.get_name() + ": \"" + nome + "\" non è un sottocomando; i sottocomandi sono: " + elenco_sottocomandi(app) +
         "\nPer l'aiuto: " + app.get_name() + " --help\n";
}

}  // namespace ferrovello
