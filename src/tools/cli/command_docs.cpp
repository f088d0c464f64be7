#include "tools/cli/command_docs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "model/form1.h"

namespace ferrovello {

namespace {

// --- roff --------------------------------------------------------------------

// Text for roff: backslashes and hyphens escaped, every letter beyond ASCII
// as its code point, so that the page reads the same in any locale; a line
// that would start with a request is protected.
std::string roff(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      if (c == '\\') {
        out += "\\e";
      } else if (c == '-') {
        out += "\\-";
      } else if ((c == '.' || c == '\'') && (out.empty() || out.back() == '\n')) {
        out += "\\&";
        out += static_cast<char>(c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    const int lunghezza = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : 2;
    uint32_t u = c & (lunghezza == 4 ? 0x07u : lunghezza == 3 ? 0x0fu : 0x1fu);
    for (int k = 1; k < lunghezza && i + static_cast<size_t>(k) < utf8.size(); ++k) {
      u = (u << 6) | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3fu);
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "\\[u%04X]", static_cast<unsigned>(u));
    out += buf;
    i += static_cast<size_t>(lunghezza);
  }
  return out;
}

std::string grassetto(const std::string& s) { return "\\fB" + roff(s) + "\\fR"; }
std::string corsivo(const std::string& s) { return "\\fI" + roff(s) + "\\fR"; }

// --- the options as defined ----------------------------------------------------

bool e_aiuto(const CLI::Option* o) { return o->check_lname("help"); }

// The options a page shows: not the help, not the hidden ones.
std::vector<const CLI::Option*> opzioni(const CLI::App& app) {
  return app.get_options([](const CLI::Option* o) { return !e_aiuto(o) && !o->get_group().empty(); });
}

std::vector<const CLI::App*> comandi(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* a) { return !a->get_group().empty(); });
}

bool e_interruttore(const CLI::Option* o) { return o->get_expected_max() == 0; }

std::string nome_opzione(const CLI::Option* o) {
  return o->nonpositional() ? o->get_name(false, true) : o->get_name(true);
}

// The values of an option that takes a fixed set ("{a,b,c}" in its type), or none.
std::vector<std::string> scelte(const CLI::Option* o) {
  std::vector<std::string> v;
  const std::string tipo = o->get_type_name();
  const size_t a = tipo.find('{'), b = tipo.find('}', a == std::string::npos ? 0 : a);
  if (a == std::string::npos || b == std::string::npos) return v;
  std::string voce;
  for (size_t i = a + 1; i <= b; ++i) {
    if (tipo[i] == ',' || i == b) {
      v.push_back(voce);
      voce.clear();
    } else if (tipo[i] != ' ') {
      voce += tipo[i];
    }
  }
  return v;
}

bool e_numero(const CLI::Option* o) {
  const std::string tipo = o->get_type_name();
  return tipo.rfind("INT", 0) == 0 || tipo.rfind("UINT", 0) == 0 || tipo.rfind("FLOAT", 0) == 0 ||
         tipo.rfind("NUMBER", 0) == 0;
}

// The option's own name for its value ("FILE", "CARTELLA"), or empty when
// it has only the parser's name for the type ("TEXT", "INT").
std::string nome_tipo(const CLI::Option* o) {
  const std::string tipo = o->get_type_name();
  const std::string base = tipo.substr(0, tipo.find(':'));
  for (const char* generico : {"TEXT", "INT", "UINT", "FLOAT", "NUMBER", "BOOLEAN", ""}) {
    if (base == generico) return "";
  }
  return base;
}

// What an option's value is called on the page: its set, the name the
// option gives its value, or one read from its type or description.
std::string segnaposto(const CLI::Option* o) {
  const std::vector<std::string> v = scelte(o);
  if (!v.empty()) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : "|") + x;
    return s;
  }
  if (!nome_tipo(o).empty()) return nome_tipo(o);
  if (e_numero(o)) return "METRI";
  std::string d = o->get_description();
  std::transform(d.begin(), d.end(), d.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  if (d.find("cartella") != std::string::npos) return "CARTELLA";
  if (d.find("numero") != std::string::npos) return "NUMERO";
  if (d.find("nome") != std::string::npos) return "NOME";
  return "FILE";
}

// The value's name: a positional argument's own name, in capitals.
std::string valore(const CLI::Option* o) {
  if (o->nonpositional()) return segnaposto(o);
  std::string s = o->get_name(true);
  std::transform(s.begin(), s.end(), s.begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  return s;
}

std::string sintesi_opzione(const CLI::Option* o) {
  const std::string nome = o->nonpositional() ? o->get_lnames().empty() ? "-" + o->get_snames()[0] : "--" + o->get_lnames()[0]
                                              : "";
  std::string s = o->nonpositional() ? grassetto(nome) : "";
  if (!e_interruttore(o)) s += (s.empty() ? "" : " ") + corsivo(valore(o));
  return o->get_required() ? s : "[" + s + "]";
}

void pagina_comando(const CLI::App& c, std::string& out) {
  out += ".SS " + roff(c.get_name()) + "\n" + roff(c.get_description()) + ".\n.PP\n" + grassetto("scenario-tool " + c.get_name());
  for (const CLI::Option* o : opzioni(c)) out += " " + sintesi_opzione(o);
  out += "\n";
  for (const CLI::Option* o : opzioni(c)) {
    out += ".TP\n" + (o->nonpositional() ? grassetto(nome_opzione(o)) : "");
    if (!e_interruttore(o)) out += (o->nonpositional() ? " " : "") + corsivo(valore(o));
    out += "\n" + roff(o->get_description()) + ".";
    if (o->get_required()) out += " Obbligatoria.";
    if (!o->get_default_str().empty() && !e_interruttore(o)) out += " Se manca: " + roff(o->get_default_str()) + ".";
    out += "\n";
  }
  if (!c.get_footer().empty()) out += ".PP\n" + roff(c.get_footer()) + "\n";
}

const char* const kStatiTool =
    ".SH STATO D'USCITA\n"
    ".TP\n0\nIl comando ha fatto ciò che doveva (per \\fBcheck\\fR: nessun errore).\n"
    ".TP\n1\nUn errore nello scenario, un file che manca, non si legge, non ha la forma attesa o non si può "
    "scrivere; con \\fB\\-\\-strict\\fR anche i soli avvisi.\n"
    ".TP\n2\nUn errore d'uso: un comando o un'opzione sconosciuti, un argomento che manca o non è valido.\n";

}  // namespace

std::string pagina_man_tool(const CLI::App& app, const std::string& versione) {
  std::string descrizione = app.get_description();
  const std::string prefisso = "scenario-tool: ";
  if (descrizione.rfind(prefisso, 0) == 0) descrizione = descrizione.substr(prefisso.size());
  std::string out = ".TH SCENARIO\\-TOOL 1 \"\" \"" + roff("ferrovello " + versione) + "\" \"Autori di scenari\"\n";
  out += ".SH NOME\nscenario\\-tool \\- " + roff(descrizione) + "\n";
  out += ".SH SINTESI\n" + grassetto("scenario-tool") + " " + corsivo("COMANDO") + " [" + corsivo("OPZIONI") + "]\n";
  // One usage line per form, each option by its long name.
  for (const CLI::Option* o : opzioni(app)) {
    const std::string nome = o->get_lnames().empty() ? nome_opzione(o) : "--" + o->get_lnames()[0];
    out += ".br\n" + grassetto("scenario-tool") + " " + grassetto(nome) + "\n";
  }
  out += ".SH DESCRIZIONE\n" +
         roff("Lo strumento degli autori compila e controlla script della linea e del treno con lo stesso codice "
              "dell'installatore, decodifica i file del simulatore, disegna uno scenario e lo impacchetta in un "
              "programma che lo installa. Gli script dati non sono mai cambiati né cancellati. Ogni comando ha il "
              "suo aiuto: ") +
         grassetto("scenario-tool COMANDO --help") + ".\n";
  if (!opzioni(app).empty()) {
    out += ".SH OPZIONI\n";
    for (const CLI::Option* o : opzioni(app)) out += ".TP\n" + grassetto(nome_opzione(o)) + "\n" + roff(o->get_description()) + ".\n";
  }
  out += ".SH COMANDI\n";
  for (const CLI::App* c : comandi(app)) pagina_comando(*c, out);
  out += ".SS \\-h, \\-\\-help\nCon ogni comando: mostra il suo aiuto ed esce con stato 0.\n";
  out += kStatiTool;
  out += ".SH VEDERE ANCHE\n\\fBferrovello\\fR(1); il formato degli script, parola chiave per parola chiave: "
         "PREFIX/share/doc/scenario\\-tool/script\\-format.md una volta installato (PREFIX: /usr/local, o quello dato "
         "a make install), docs/script\\-format.md nei sorgenti.\n";
  return out;
}

std::string pagina_man_installatore(const std::string& versione) {
  const std::string s = kNomeScenario, t = base_treno(s, kNumeroTreno);
  struct Voce {
    std::string file, cosa;
  };
  const Voce file[] = {
      {s + "_linea.dat", "la pianta del tracciato, un punto per metro"},
      {t + ".sim", "la tabella degli elementi: stazioni, testi dei cartelli, impostazioni della linea e del treno"},
      {t + ".dat", "le celle del percorso, una ogni 50 m"},
      {t + "_scheda_treno.txt", "la scheda treno: l'orario del treno " + std::string(kNumeroTreno) +
                                    " con velocità, progressive chilometriche e tempi"},
      {t + "_rallentamenti.txt", "il modulo dei rallentamenti (M. 3), vuoto in questo scenario"},
      {t + "_note.txt", "le note dello scenario: la linea, ciò che la simulazione mostra, la storia, il treno"},
      {s + "_linea.txt, " + t + "-.txt", "lo script della linea e quello del treno, che esistono solo durante l'esecuzione"},
      {s + ".lock", "il blocco di chi sta scrivendo nella cartella; una sola esecuzione per volta"},
      {"NOME.PID.tmp", "il file temporaneo del file che si sta scrivendo, che poi prende il suo posto"},
  };
  std::string out = ".TH FERROVELLO 1 \"\" \"" + roff("ferrovello " + versione) + "\" \"Scenari di guida ferroviaria\"\n";
  out += ".SH NOME\nferrovello \\- " +
         roff("installa lo scenario di guida ferroviaria Alessandria - Mortara - Milano Porta Genova, con il treno ") +
         roff(kNumeroTreno) + roff(", nella cartella che lo contiene") + "\n";
  out += ".SH SINTESI\n\\fBferrovello\\fR\n";
  out += ".SH DESCRIZIONE\n" +
         roff("Il programma non legge nulla: né argomenti, né variabili d'ambiente, né file di configurazione. "
              "Mostra una piccola finestra con «Attendere», scrive nella cartella del programma (non in quella di "
              "lavoro) lo script della linea e quello del treno e i tre documenti del macchinista, compila i due "
              "script nei file binari del simulatore, cancella gli script e termina.") +
         "\n.PP\n" +
         roff("Ogni file passa da un file temporaneo, scritto sul disco e poi messo al posto del vecchio, e la "
              "cartella è scritta sul disco dopo di lui: un'esecuzione interrotta (dal sistema, da un'interruzione "
              "di corrente) lascia ogni file vecchio o nuovo, intero, e l'esecuzione seguente ripulisce i file "
              "temporanei rimasti. Una seconda esecuzione avviata nella stessa cartella mentre la prima scrive "
              "lo dice e non cambia nulla.") +
         "\n.PP\n" +
         roff("Per installare lo scenario, copia il programma nella cartella del simulatore e avvialo da lì: "
              "avviato dalla cartella dove è installato (PREFIX/share/ferrovello/) si rifiuta e non scrive nulla, "
              "anche per root, perché i file resterebbero tra quelli del pacchetto. Per questo il "
              "pacchetto Debian e l'archivio per Linux non lo mettono tra i comandi ma in /usr/share/ferrovello/ "
              "(make install in PREFIX/share/ferrovello/):") +
         "\n.PP\n.RS\n.nf\n" + roff("cp /usr/share/ferrovello/ferrovello CARTELLA_DEL_SIMULATORE/") + "\n" +
         roff("CARTELLA_DEL_SIMULATORE/ferrovello") + "\n.fi\n.RE\n";
  out += ".SH FILE\n";
  for (const Voce& v : file) out += ".TP\n" + grassetto(v.file) + "\n" + roff(v.cosa) + ".\n";
  out += ".PP\n" + roff("I documenti sono testo Windows-1252 con righe terminate da CR LF.") + "\n";
  out += ".SH STATO D'USCITA\n.TP\n0\n" + roff("Tutti i file sono stati scritti.") + "\n.TP\n1\n" +
         roff("Un errore nello scenario, mostrato come « Errore n. N» con la posizione quando c'è: nessun file "
              "binario è scritto. Oppure un file che non si può scrivere, leggere o cancellare: il messaggio nomina "
              "il file e il motivo, e ogni file scritto prima resta intero. Oppure un'altra esecuzione sta già "
              "scrivendo nella cartella, o lo scenario contenuto nel programma è danneggiato.") +
         "\n";
  out += ".SH VEDERE ANCHE\n\\fBscenario\\-tool\\fR(1)\n";
  return out;
}

std::string completamento_bash(const CLI::App& app) {
  std::string nomi;
  for (const CLI::App* c : comandi(app)) nomi += (nomi.empty() ? "" : "|") + c->get_name();
  std::string principali;
  for (const CLI::App* c : comandi(app)) principali += c->get_name() + " ";
  for (const CLI::Option* o : app.get_options([](const CLI::Option* x) { return !x->get_group().empty(); })) {
    principali += nome_opzione(o).substr(nome_opzione(o).rfind(',') + 1) + " ";
  }
  std::string casi, valori_fissi;
  for (const CLI::App* c : comandi(app)) {
    std::string tutte, con_file, con_cartella, senza;
    for (const CLI::Option* o : c->get_options([](const CLI::Option* x) { return !x->get_group().empty(); })) {
      if (!o->nonpositional()) continue;
      const std::string lungo = o->get_lnames().empty() ? "-" + o->get_snames()[0] : "--" + o->get_lnames()[0];
      tutte += lungo + " ";
      if (e_interruttore(o)) continue;
      const std::vector<std::string> v = scelte(o);
      const std::string valore = segnaposto(o);
      if (!v.empty()) {
        std::string parole;
        for (const std::string& x : v) parole += (parole.empty() ? "" : " ") + x;
        valori_fissi += "    \"" + c->get_name() + " " + lungo + "\") COMPREPLY=($(compgen -W \"" + parole +
                        "\" -- \"$cur\")); return 0 ;;\n";
      } else if (valore == "FILE") {
        con_file += lungo + " ";
      } else if (valore == "CARTELLA") {
        con_cartella += lungo + " ";
      } else {
        senza += lungo + " ";
      }
    }
    casi += "    " + c->get_name() + ") opts=\"" + tutte + "\"; files=\"" + con_file + "\"; folders=\"" + con_cartella +
            "\"; others=\"" + senza + "\" ;;\n";
  }
  return "# bash completion of scenario-tool, made from its own option definitions.\n"
         "_scenario_tool() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} sub=\"\" i\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in\n"
         "      " + nomi + ") sub=${COMP_WORDS[i]}; break ;;\n"
         "    esac\n"
         "  done\n"
         "  local opts=\"\" files=\"\" folders=\"\" others=\"\"\n"
         "  case $sub in\n"
         "    \"\") COMPREPLY=($(compgen -W \"" + principali + "\" -- \"$cur\")); return 0 ;;\n" +
         casi +
         "  esac\n"
         "  case \"$sub $prev\" in\n" +
         valori_fissi +
         "  esac\n"
         "  case \" $others \" in *\" $prev \"*) COMPREPLY=(); return 0 ;; esac\n"
         // Names of files and folders one a line, so that a name with
         // blanks stays one word (and is quoted by -o filenames).
         "  case \" $folders \" in *\" $prev \"*) mapfile -t COMPREPLY < <(compgen -d -- \"$cur\"); return 0 ;; esac\n"
         "  case \" $files \" in *\" $prev \"*) mapfile -t COMPREPLY < <(compgen -f -- \"$cur\"); return 0 ;; esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"$opts\" -- \"$cur\"))\n"
         "  else\n"
         "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
         "  fi\n"
         "  return 0\n"
         "}\n"
         "complete -o filenames -F _scenario_tool scenario-tool\n";
}

int scrivi_documentazione(const CLI::App& app, const std::string& versione, const std::string& cartella,
                          Platform& base) {
  const std::pair<std::string, std::string> file[] = {{"scenario-tool.1", pagina_man_tool(app, versione)},
                                                       {"ferrovello.1", pagina_man_installatore(versione)},
                                                       {"scenario-tool.bash", completamento_bash(app)}};
  for (const auto& [nome, testo] : file) {
    const std::string percorso = cartella + base.separator() + nome;
    std::string perche;
    if (!base.replace_file(percorso, testo, perche)) {
      base.show_message("Impossibile scrivere il file \"" + percorso + "\": " + perche);
      return 1;
    }
  }
  return 0;
}

}  // namespace ferrovello
