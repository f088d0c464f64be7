#include "tools/cli/cli_italiano.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <vector>

#include "tools/text/distanza.h"

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

// The parser's errors, by the form of their text, in Italian. In a form,
// "{1}" to "{3}" stand for the names the text quotes, put into the Italian
// text in their place; "{}" for a part left out.
struct Traduzione {
  const char* tipo;  // the parser's class of the error
  const char* forma;
  const char* italiano;
};
constexpr Traduzione kTraduzioni[] = {
    {"RequiredError", "A subcommand is required", "manca il sottocomando"},
    {"RequiredError", "-{1} is required", "manca l'opzione obbligatoria -{1}"},
    {"RequiredError", "{1} is required", "manca l'argomento {1}"},
    {"ExtrasError", "The following argument was not expected: {1}", "argomento non previsto: {1}"},
    {"ExtrasError", "The following arguments were not expected: {1}", "argomenti non previsti: {1}"},
    {"ArgumentMismatch", "{1}: {} required {} missing", "manca il valore di {1}"},
    {"ArgumentMismatch", "{1}: At Most {} required but received {2}", "{1} va data una volta sola, non {2}"},
    {"ArgumentMismatch", "{1}: At least {2} required but received {3}", "{1} vuole almeno {2} valori, non {3}"},
    {"ArgumentMismatch", "Expected exactly {1} arguments to {2}, got {3}", "{2} vuole {1} valori, non {3}"},
    {"ArgumentMismatch", "{1} was given a disallowed flag override", "{1} non prende valori"},
    {"ConversionError", "{1}: too many inputs for a flag", "{1} non prende valori"},
    {"ConversionError", "{1}: Should be true/false or a number", "{1} non prende valori"},
    {"ConversionError", "The value {1} is not an allowed value for {2}", "{1} non è un valore ammesso per {2}"},
    {"ConversionError", "Could not convert: {1} = {2}", "valore non valido per {1}: {2}"},
    {"RequiresError", "{1} requires {2}", "{1} richiede {2}"},
    {"ExcludesError", "{1} excludes {2}", "{1} esclude {2}"},
    // The tool's own checks of values, already in Italian.
    {"ValidationError", "{1}", "{1}"},
};

// Matches `testo` against `forma` from their starts, filling `parti` with
// what each "{n}" took: the shortest text that lets the rest match, and
// the whole rest for a mark at the end of the form.
bool combacia(std::string_view forma, std::string_view testo, std::array<std::string, 4>& parti) {
  if (forma.empty()) return testo.empty();
  if (forma[0] != '{') return !testo.empty() && testo[0] == forma[0] && combacia(forma.substr(1), testo.substr(1), parti);
  const size_t chiusa = forma.find('}');
  const std::string_view segno = forma.substr(1, chiusa - 1);
  const std::string_view resto = forma.substr(chiusa + 1);
  const size_t indice = segno.empty() ? 0 : static_cast<size_t>(segno[0] - '0');
  for (size_t n = resto.empty() ? testo.size() : 1; n <= testo.size(); ++n) {
    if (combacia(resto, testo.substr(n), parti)) {
      parti[indice] = std::string(testo.substr(0, n));
      return true;
    }
  }
  return false;
}

// The class of an error: its name is not always the class's.
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
    std::array<std::string, 4> parti;
    if (tipo != t.tipo || !combacia(t.forma, testo, parti)) continue;
    std::string out = t.italiano;
    for (size_t i = 1; i < parti.size(); ++i) {
      const std::string segno = "{" + std::to_string(i) + "}";
      for (size_t at = out.find(segno); at != std::string::npos; at = out.find(segno, at + parti[i].size())) {
        out.replace(at, segno.size(), parti[i]);
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
  app.set_version_flag("-v,--version", versione, "Mostra la versione ed esce");
  app.failure_message(messaggio_di_uso);
}

void come_sottocomando(CLI::App* s) {
  s->group(kSottocomandi);
  s->get_help_ptr()->group(kOpzioni);  // made before the options took the group's name
}

CLI::App* sottocomando(CLI::App& app, const std::string& nome, const std::string& descrizione) {
  CLI::App* s = app.add_subcommand(nome, descrizione);
  come_sottocomando(s);
  return s;
}

std::string messaggio_di_uso(const CLI::App* app, const CLI::Error& e) {
  const CLI::App* c = comando(app);
  std::string testo = tipo_di(e) == "RequiredError" && c == app && std::string(e.what()).rfind("A subcommand", 0) == 0
                          ? "manca il sottocomando, uno fra: " + elenco_sottocomandi(*app)
                          : traduci(e);
  // The parser lists surplus arguments last first: they are listed here in
  // the order given, each quoted (a name may hold blanks).
  if (tipo_di(e) == "ExtrasError") {
    const std::vector<std::string> resto = app->remaining(true);
    std::string elenco;
    for (const std::string& r : resto) elenco += (elenco.empty() ? "\"" : " \"") + r + "\"";
    if (!resto.empty()) testo = (resto.size() == 1 ? "argomento non previsto: " : "argomenti non previsti: ") + elenco;
  }
  return nome_completo(c) + ": " + testo + "\nPer l'aiuto: " + nome_completo(c) + " --help\n";
}

std::string primo_sconosciuto(const CLI::App& app, int argc, const char* const* argv) {
  if (argc < 2 || argv[1][0] == '-') return {};
  const std::string primo = argv[1];
  const auto stesso_nome = [&](const CLI::App* s) { return s->get_name() == primo; };
  return app.get_subcommands(stesso_nome).empty() ? primo : std::string();
}

namespace {

// The nearest of `nomi` to `parola`: a name it begins, or one a few edits
// away; empty when none is near.
std::string piu_vicino(const std::string& parola, const std::vector<std::string>& nomi) {
  std::string migliore;
  for (const std::string& n : nomi) {
    if (parola.size() > 2 && n.rfind(parola, 0) == 0) {
      if (!migliore.empty()) return {};  // the start of two names: ambiguous
      migliore = n;
    }
  }
  if (!migliore.empty()) return migliore;
  size_t d_migliore = std::numeric_limits<size_t>::max();
  for (const std::string& n : nomi) {
    std::string minuscola = parola;
    for (char& c : minuscola) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const size_t limite = std::max<size_t>(1, n.size() / 3);
    const size_t d = std::min(distanza(parola, n, limite), distanza(minuscola, n, limite));
    if (d <= limite && d < d_migliore) {
      d_migliore = d;
      migliore = n;
    }
  }
  return migliore;
}

std::vector<std::string> nomi_sottocomandi(const CLI::App& app) {
  std::vector<std::string> nomi;
  for (const CLI::App* s : app.get_subcommands([](const CLI::App*) { return true; })) nomi.push_back(s->get_name());
  return nomi;
}

bool aiuto(const std::string& a) { return a == "-h" || a == "--help"; }

}  // namespace

std::string sottocomando_sconosciuto(const CLI::App& app, const std::string& nome) {
  const std::string vicino = piu_vicino(nome, nomi_sottocomandi(app));
  return app.get_name() + ": \"" + nome + "\" non è un sottocomando" + (vicino.empty() ? "" : "; forse " + vicino + "?") +
         "\nI sottocomandi sono: " + elenco_sottocomandi(app) + "\nPer l'aiuto: " + app.get_name() + " --help\n";
}

bool chiede_aiuto(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") return false;
    if (aiuto(a)) return true;
  }
  return false;
}

std::string opzione_sconosciuta(const CLI::App& app, int argc, const char* const* argv) {
  const CLI::App* comando = &app;
  int i = 1;
  if (argc > 1) {
    const std::string primo = argv[1];
    for (const CLI::App* s : app.get_subcommands([&](const CLI::App* x) { return x->get_name() == primo; })) {
      comando = s;
      i = 2;
    }
  }
  // The options this command takes (its help among them).
  const std::vector<const CLI::Option*> note = comando->get_options();
  std::vector<std::string> nomi;
  for (const CLI::Option* o : note) {
    for (const std::string& l : o->get_lnames()) nomi.push_back("--" + l);
  }
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") break;
    // "-" is standard input or output, "-5" a number: values, not options.
    if (a.size() < 2 || a[0] != '-' || (a[1] >= '0' && a[1] <= '9')) continue;
    const std::string nome = a.substr(0, a.find('='));
    const CLI::Option* trovata = nullptr;
    for (const CLI::Option* o : note) {
      if (o->check_name(nome)) trovata = o;
    }
    if (trovata != nullptr) {
      // A value given apart is the next word, whatever it looks like.
      if (nome.size() == a.size() && trovata->get_expected_max() > 0) ++i;
      continue;
    }
    const std::string vicina = piu_vicino(nome, nomi);
    return nome_completo(comando) + ": l'opzione \"" + nome + "\" non esiste" +
           (vicina.empty() ? "" : "; forse " + vicina + "?") + "\nPer l'aiuto: " + nome_completo(comando) + " --help\n";
  }
  return {};
}

}  // namespace ferrovello
