#include "app/package_payload.h"

#include <cstring>
#include <vector>

#include "app/crc32.h"
#include "model/form1.h"

namespace ferrovello {

namespace {

void metti(std::string& out, uint64_t v, int byte) {
  for (int i = 0; i < byte; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFFu));
}

uint64_t prendi(std::string_view in, size_t da, int byte) {
  uint64_t v = 0;
  for (int i = byte - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[da + static_cast<size_t>(i)]);
  return v;
}

void metti_campo(std::string& out, const std::string* campo) {
  out.push_back(campo != nullptr ? '\1' : '\0');
  if (campo == nullptr) return;
  metti(out, campo->size(), 4);
  out += *campo;
}

// Reads a payload field by field; every read checks the bytes left.
struct Lettore {
  std::string_view in;
  size_t pos = 0;
  std::string perche;

  bool numero(uint64_t& v, int byte) {
    if (in.size() - pos < static_cast<size_t>(byte)) return manca();
    v = prendi(in, pos, byte);
    pos += static_cast<size_t>(byte);
    return true;
  }
  bool manca() {
    perche = "il contenuto finisce prima del previsto";
    return false;
  }
  // A field: presence byte, then its length and bytes.
  bool campo(const char* nome, std::optional<std::string>& v, size_t massimo) {
    uint64_t presente = 0;
    if (!numero(presente, 1)) return false;
    if (presente > 1) {
      perche = std::string("campo ") + nome + ": segno di presenza non valido";
      return false;
    }
    v.reset();
    if (presente == 0) return true;
    uint64_t n = 0;
    if (!numero(n, 4)) return false;
    if (n > massimo) {
      perche = std::string("campo ") + nome + ": " + std::to_string(n) + " byte, oltre il massimo di " +
               std::to_string(massimo);
      return false;
    }
    if (in.size() - pos < n) return manca();
    v.emplace(in.substr(pos, static_cast<size_t>(n)));
    pos += static_cast<size_t>(n);
    return true;
  }
  bool obbligatorio(const char* nome, std::string& v, size_t massimo) {
    std::optional<std::string> o;
    if (!campo(nome, o, massimo)) return false;
    if (!o) {
      perche = std::string("campo ") + nome + " assente";
      return false;
    }
    v = std::move(*o);
    return true;
  }
};

}  // namespace

namespace {

char minuscola(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool uguali_senza_maiuscole(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (minuscola(a[i]) != minuscola(b[i])) return false;
  }
  return true;
}

}  // namespace

bool nome_riservato_da_windows(std::string_view nome) {
  // Windows takes a device's name for the device whatever follows its
  // first dot, and drops blanks before it.
  std::string_view base = nome.substr(0, nome.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (const char* dispositivo : {"con", "prn", "aux", "nul"}) {
    if (uguali_senza_maiuscole(base, dispositivo)) return true;
  }
  return base.size() == 4 && (uguali_senza_maiuscole(base.substr(0, 3), "com") ||
                              uguali_senza_maiuscole(base.substr(0, 3), "lpt")) &&
         base[3] >= '1' && base[3] <= '9';
}

std::vector<FileDellaCorsa> file_della_corsa(const std::string& nome, const std::string& numero) {
  const std::string treno = base_treno(nome, numero);
  return {{"il blocco", nome + ".lock"},
          {"lo script della linea", nome + "_linea.txt"},
          {"lo script del treno", treno + "-.txt"},
          {"le note", treno + "_note.txt"},
          {"il modulo dei rallentamenti", treno + "_rallentamenti.txt"},
          {"la scheda treno", treno + "_scheda_treno.txt"},
          {"il file della linea", nome + "_linea.dat"},
          {"il file degli elementi", treno + ".sim"},
          {"il file del percorso", treno + ".dat"}};
}

std::string nomi_in_conflitto(const std::string& nome, const std::string& numero) {
  const std::vector<FileDellaCorsa> file = file_della_corsa(nome, numero);
  for (size_t i = 0; i < file.size(); ++i) {
    if (nome_riservato_da_windows(file[i].nome)) {
      return file[i].ruolo + " \"" + file[i].nome + "\" avrebbe un nome che Windows riserva a un dispositivo";
    }
    for (size_t j = 0; j < i; ++j) {
      if (uguali_senza_maiuscole(file[i].nome, file[j].nome)) {
        return file[j].ruolo + " \"" + file[j].nome + "\" e " + file[i].ruolo + " \"" + file[i].nome +
               "\" avrebbero lo stesso nome" +
               (file[i].nome == file[j].nome ? "" : " su Windows, che non distingue maiuscole e minuscole");
      }
    }
  }
  return {};
}

std::string nome_non_valido(const std::string& nome) {
  if (nome.empty()) return "è vuoto";
  if (nome.size() > kMassimoNome) return "è più lungo di " + std::to_string(kMassimoNome) + " caratteri";
  for (const char c : nome) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) return "contiene un carattere non ASCII o di controllo";
    if (std::string("/\\:*?\"<>|").find(c) != std::string::npos) {
      return std::string("contiene il carattere non ammesso '") + c + "'";
    }
  }
  if (nome.back() == '.' || nome.back() == ' ') return "finisce con un punto o uno spazio, che Windows toglie";
  return {};
}

std::string codifica_carico(const Pacchetto& p) {
  std::string out;
  metti(out, kVersionePacchetto, 2);
  for (const std::string* campo : {&p.nome, &p.numero_treno, &p.script_linea, &p.script_treno}) metti_campo(out, campo);
  for (const std::optional<std::string>* doc : {&p.note, &p.rallentamenti, &p.scheda}) {
    metti_campo(out, doc->has_value() ? &**doc : nullptr);
  }
  return out;
}

std::string coda_del_carico(std::string_view carico) {
  std::string coda;
  metti(coda, carico.size(), 8);
  metti(coda, crc32(carico), 4);
  coda.append(kMagiaPacchetto, sizeof kMagiaPacchetto);
  return coda;
}

bool decodifica_carico(std::string_view carico, Pacchetto& p, std::string& perche) {
  Lettore r{carico, 0, {}};
  uint64_t versione = 0;
  bool ok = r.numero(versione, 2);
  if (ok && versione != kVersionePacchetto) {
    r.perche = "versione " + std::to_string(versione) + " del formato non conosciuta";
    ok = false;
  }
  ok = ok && r.obbligatorio("nome", p.nome, kMassimoNome) && r.obbligatorio("treno", p.numero_treno, kMassimoNome) &&
       r.obbligatorio("script della linea", p.script_linea, kMassimoTesto) &&
       r.obbligatorio("script del treno", p.script_treno, kMassimoTesto) && r.campo("note", p.note, kMassimoTesto) &&
       r.campo("rallentamenti", p.rallentamenti, kMassimoTesto) && r.campo("scheda", p.scheda, kMassimoTesto);
  if (ok && r.pos != carico.size()) {
    r.perche = std::to_string(carico.size() - r.pos) + " byte in più dopo l'ultimo campo";
    ok = false;
  }
  for (const std::string* nome : {&p.nome, &p.numero_treno}) {
    if (!ok) break;
    const std::string difetto = nome_non_valido(*nome);
    if (!difetto.empty()) {
      r.perche = "il nome \"" + *nome + "\" " + difetto;
      ok = false;
    }
  }
  if (ok) {
    r.perche = nomi_in_conflitto(p.nome, p.numero_treno);
    ok = r.perche.empty();
  }
  if (!ok) perche = r.perche;
  return ok;
}

EsameCoda esamina_coda(std::string_view ultimi, uint64_t dimensione) {
  EsameCoda e;
  if (dimensione < ultimi.size()) dimensione = ultimi.size();
  const std::string_view magia(kMagiaPacchetto, sizeof kMagiaPacchetto);
  const bool in_fondo = ultimi.size() >= kLunghezzaCoda && ultimi.substr(ultimi.size() - magia.size()) == magia;
  if (!in_fondo) {
    // A trailer followed by other bytes, or one cut short: at least half of
    // the magic number standing at the very end.
    bool troncata = false;
    for (size_t n = magia.size() / 2; n < magia.size() && !troncata; ++n) {
      troncata = ultimi.size() >= n && ultimi.substr(ultimi.size() - n) == magia.substr(0, n);
    }
    if (troncata) {
      e.esito = EsitoCoda::danneggiata;
      e.perche = "il file finisce a metà della coda del pacchetto: è stato tagliato";
    } else if (ultimi.find(magia) != std::string_view::npos) {
      e.esito = EsitoCoda::danneggiata;
      e.perche = "dopo la coda del pacchetto il file continua con altri byte";
    }
    return e;
  }
  const size_t da = ultimi.size() - kLunghezzaCoda;
  e.lunghezza = prendi(ultimi, da, 8);
  e.crc = static_cast<uint32_t>(prendi(ultimi, da + 8, 4));
  e.esito = EsitoCoda::danneggiata;
  if (e.lunghezza > dimensione - kLunghezzaCoda) {
    e.perche = "la coda dichiara " + std::to_string(e.lunghezza) + " byte di contenuto, ma il file ne ha " +
               std::to_string(dimensione) + " in tutto";
  } else if (e.lunghezza > kMassimoCarico) {
    e.perche = "la coda dichiara " + std::to_string(e.lunghezza) + " byte di contenuto, oltre il massimo";
  } else {
    e.esito = EsitoCoda::valida;
  }
  return e;
}

bool leggi_carico(std::string_view ultimi, const EsameCoda& esame, Pacchetto& p, std::string& perche) {
  if (esame.esito != EsitoCoda::valida || ultimi.size() != esame.lunghezza + kLunghezzaCoda) {
    perche = "il file è cambiato durante la lettura";
    return false;
  }
  const std::string_view carico = ultimi.substr(0, static_cast<size_t>(esame.lunghezza));
  if (crc32(carico) != esame.crc) {
    perche = "la somma di controllo non corrisponde";
    return false;
  }
  return decodifica_carico(carico, p, perche);
}

EsitoCoda pacchetto_del_programma(const LeggiParte& leggi, Pacchetto& p, std::string& perche) {
  std::string coda;
  uint64_t dimensione = 0;
  if (!leggi(true, kFinestraCoda, coda, dimensione, perche)) return EsitoCoda::illeggibile;
  const EsameCoda esame = esamina_coda(coda, dimensione);
  perche = esame.perche;
  if (esame.esito == EsitoCoda::danneggiata) return esame.esito;
  // The program itself, before the payload if there is one, must be as
  // long as its own headers say: a file cut inside it is damaged too.
  std::string testa;
  if (!leggi(false, kFinestraTesta, testa, dimensione, perche)) return EsitoCoda::illeggibile;
  uint64_t almeno = 0;
  const uint64_t fine = fine_del_programma(testa, &almeno);
  const uint64_t programma = esame.esito == EsitoCoda::valida ? dimensione - esame.lunghezza - kLunghezzaCoda : dimensione;
  if (programma < almeno) {
    perche = "il programma ha " + std::to_string(programma) + " byte, ma le sue intestazioni ne dichiarano almeno " +
             std::to_string(almeno) + ": il file è stato tagliato";
    return EsitoCoda::danneggiata;
  }
  if (esame.esito == EsitoCoda::assente) {
    // No trailer: the file must end where the program does.
    if (fine == 0 || dimensione == fine) return EsitoCoda::assente;
    perche = "dopo il programma ci sono " + std::to_string(dimensione - fine) +
             " byte senza la coda del pacchetto: il file è stato tagliato";
    return EsitoCoda::danneggiata;
  }
  std::string ultimi;
  if (!leggi(true, esame.lunghezza + kLunghezzaCoda, ultimi, dimensione, perche)) return EsitoCoda::illeggibile;
  return leggi_carico(ultimi, esame, p, perche) ? EsitoCoda::valida : EsitoCoda::danneggiata;
}

EsitoCoda pacchetto_dei_byte(std::string_view file, Pacchetto& p, std::string& perche) {
  const LeggiParte leggi = [file](bool dalla_fine, uint64_t quanti, std::string& bytes, uint64_t& dimensione,
                                  std::string&) {
    dimensione = file.size();
    const size_t n = quanti < file.size() ? static_cast<size_t>(quanti) : file.size();
    bytes.assign(file.substr(dalla_fine ? file.size() - n : 0, n));
    return true;
  };
  return pacchetto_del_programma(leggi, p, perche);
}

}  // namespace ferrovello
