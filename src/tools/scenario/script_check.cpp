#include "tools/scenario/script_check.h"

#include <algorithm>
#include <array>
#include <concepts>
#include <cstring>
#include <cstdio>
#include <string_view>
#include <utility>

#include "model/field_ranges.h"
#include "model/findings_cap.h"
#include "model/numbers.h"
#include "scripts/item_reader.h"
#include "tools/text/cp1252.h"
#include "tools/text/distanza.h"

namespace ferrovello {

namespace {

constexpr size_t kTestoMassimo = 32767;
constexpr size_t kCaratteriElencati = 10;  // characters without a place listed one by one  // the 16-bit length of a text in the item file

// --- keywords --------------------------------------------------------------

enum class Zona { generale, linea, treno };

enum class Id {
  lunghezza, prog_tre, prog_due, prog_uno, sfondo_uno, sfondo_due, sfondo_tre, ripetizione,
  pendenza, curva, montagna, indicatori, cartello,
  massa, vetture, velocita, aderenza, orologio, sabbia, segnale, rallentamento, abbattimento, stazione,
};

struct Campo {
  const char* nome;
  Larghezza w = Larghezza::bit32;
  bool testo = false;
};

// A keyword as the compiler tests it: the words its item must contain, in
// exact case or any case; the emitter's spelling; its fields in order; the
// kind of line it counts as in the summary.
struct Chiave {
  Id id;
  Zona zona;
  const char* nome;
  const char* a;
  const char* b;
  bool esatta;
  std::vector<Campo> campi;
  const char* conteggio;
};

Campo k8(const char* n) { return {n, Larghezza::bit8}; }
Campo k16(const char* n) { return {n, Larghezza::bit16}; }

const std::vector<Chiave>& chiavi() {
  static const std::vector<Chiave> tabella = {
      {Id::lunghezza, Zona::generale, "lunghezza percorso", "lunghezza", "percorso", false, {{"lunghezza"}}, nullptr},
      {Id::prog_tre, Zona::generale, "progressiva chilometrica tre", "progressiva", "tre", true, {{"inizio"}, {"scostamento"}, {"verso"}}, "progressive"},
      {Id::prog_due, Zona::generale, "progressiva chilometrica due", "progressiva", "due", true, {{"inizio"}, {"scostamento"}, {"verso"}}, "progressive"},
      {Id::prog_uno, Zona::generale, "progressiva chilometrica uno", "progressiva", "uno", true, {{"inizio"}, {"scostamento"}, {"verso"}}, "progressive"},
      {Id::sfondo_uno, Zona::generale, "sfondo uno", "sfondo", "uno", true, {{"valore"}}, nullptr},
      {Id::sfondo_due, Zona::generale, "sfondo due", "sfondo", "due", true, {{"valore"}}, nullptr},
      {Id::sfondo_tre, Zona::generale, "sfondo tre", "sfondo", "tre", true, {{"valore"}}, nullptr},
      {Id::ripetizione, Zona::generale, "ripetizione segnali 4 codici", "ripetizione", "segnali", true, {{"da"}, {"a"}}, nullptr},
      {Id::pendenza, Zona::linea, "pendenza", "pendenza", nullptr, false, {{"posizione"}, {"pendenza"}}, "pendenze"},
      {Id::curva, Zona::linea, "curvad4", "curva", nullptr, false, {{"inizio"}, {"lunghezza"}}, "curve"},
      {Id::montagna, Zona::linea, "montagna", "montagna", nullptr, false, {{"inizio"}, {"fine"}, {"tipo"}}, "montagne"},
      {Id::indicatori, Zona::linea, "indicatori_vmax", "indicatori_v", nullptr, false,
       {{"posizione"}, {"vas"}, {"vbs"}, {"vcs"}, {"strisces"}, {"vad"}, {"vbd"}, {"vcd"}, {"strisced"}}, "indicatori"},
      {Id::cartello, Zona::linea, "cartello_indicatore", "cartello", "indicat", false, {{"posizione"}, {"testo", Larghezza::bit32, true}}, "cartelli"},
      {Id::massa, Zona::treno, "percentuale massa frenata", "massa", "frenata", false, {{"percentuale"}}, nullptr},
      {Id::vetture, Zona::treno, "numero vetture", "vetture", nullptr, false, {{"vetture"}}, nullptr},
      {Id::velocita, Zona::treno, "velocita", "velocit", nullptr, false, {{"posizione"}, {"velocita"}}, "velocita"},
      {Id::aderenza, Zona::treno, "aderenza", "aderenza", nullptr, false, {{"posizione"}, {"aderenza"}}, "aderenza"},
      {Id::orologio, Zona::treno, "orologio", "orologio", nullptr, false, {k16("ore"), k16("minuti"), k16("secondi")}, nullptr},
      {Id::sabbia, Zona::treno, "sabbia", "sabbia", nullptr, false, {k16("quantita")}, nullptr},
      {Id::segnale, Zona::treno, "segnale", "segnale", nullptr, false,
       {{"posizione"}, {"sx"}, {"s1"}, {"s2"}, {"s3"}, {"rapp"}, {"dx"}, {"d1"}, {"d2"}, {"d3"}, {"tempo"}}, "segnali"},
      {Id::rallentamento, Zona::treno, "rallentamento", "rallentamento", nullptr, false,
       {{"x"}, {"v"}, {"l"}, {"f_tt"}, {"f_ta"}, {"d_v"}}, "rallentamenti"},
      {Id::abbattimento, Zona::treno, "abbattimento", "abbattimento", nullptr, false, {{"posizione"}, {"valore"}}, "abbattimenti"},
      {Id::stazione, Zona::treno, "stazione", "stazione", nullptr, false,
       {{"posizione"}, k8("tipo"), {"lunghezza"}, k8("attributo 4"), k8("attributo 5"), k8("attributo 6"),
        k16("attributo 7"), k16("attributo 8"), k8("attributo 9"), k16("attributo 10"), k16("attributo 11"),
        k16("attributo 12"), k8("sosta"), {"ore"}, {"minuti"}, {"secondi"}, {"nome", Larghezza::bit32, true}},
       "stazioni"},
  };
  return tabella;
}

bool prova(const Chiave& k, const std::string& item, bool linea_voluta) {
  if (k.id == Id::curva && !linea_voluta) return false;
  const auto c = [&](const char* w) { return w == nullptr || (k.esatta ? contiene(item, w) : contiene_ci(item, w)); };
  return c(k.a) && c(k.b);
}

std::string minuscolo(std::string t) {
  for (char& c : t) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return t;
}

// The keyword written as it should be: the emitter's spelling (any letter
// case where the test ignores it), a curve with its side and class, the
// repetition with its code system.
bool scritta_bene(const Chiave& k, const std::string& item) {
  const std::string m = k.esatta ? item : minuscolo(item);
  switch (k.id) {
    case Id::curva:
      return m.size() == 7 && m.compare(0, 5, "curva") == 0 && (m[5] == 's' || m[5] == 'd') && m[6] >= '1' &&
             m[6] <= '6';
    case Id::ripetizione:
      return m == "ripetizione segnali 4 codici" || m == "ripetizione segnali 9 codici";
    case Id::velocita:
      return m == "velocita" || m == "velocita'" || m == "velocit\xE0";
    default:
      return m == k.nome;
  }
}

// --- text ------------------------------------------------------------------

// Lines of a script, for places: a cursor that counts from where it last
// stood, as the reading asks in file order, with a stop every 64 KiB for
// the rare place before it. No table of every line: a script of empty
// lines would make it four times the script.
class Righe {
 public:
  explicit Righe(const std::string& b) : b_(&b) {}
  // The line (from 0) that holds `offset`.
  size_t riga(size_t offset) const {
    vai(offset);
    return riga_;
  }
  // The first byte of the line that holds `offset`.
  size_t inizio(size_t offset) const {
    vai(offset);
    return inizio_;
  }
  // First byte of the line after the one that holds `offset`.
  size_t dopo(size_t offset, size_t fine) const {
    const std::string& b = *b_;
    for (size_t i = offset; i < b.size(); ++i) {
      if (a_capo(b, i)) return i + 1;
    }
    return fine;
  }

 private:
  static constexpr size_t kPasso = size_t{1} << 16;
  struct Tappa {
    size_t pos, riga, inizio;
  };
  static bool a_capo(const std::string& b, size_t i) {
    return b[i] == '\n' || (b[i] == '\r' && (i + 1 >= b.size() || b[i + 1] != '\n'));
  }
  void vai(size_t offset) const {
    const std::string& b = *b_;
    offset = std::min(offset, b.size());
    if (offset < pos_) {
      if (offset >= inizio_) return;  // on the line the cursor stands on
      const size_t k = std::min(offset / kPasso, tappe_.size());
      const Tappa t = k == 0 ? Tappa{0, 0, 0} : tappe_[k - 1];
      pos_ = t.pos;
      riga_ = t.riga;
      inizio_ = t.inizio;
    }
    for (size_t i = pos_; i < offset; ++i) {
      if (a_capo(b, i)) {
        ++riga_;
        inizio_ = i + 1;
      }
      if ((i + 1) % kPasso == 0 && (i + 1) / kPasso > tappe_.size()) tappe_.push_back({i + 1, riga_, inizio_});
    }
    pos_ = offset;
  }
  const std::string* b_;
  mutable size_t pos_ = 0;
  mutable size_t riga_ = 0;
  mutable size_t inizio_ = 0;
  mutable std::vector<Tappa> tappe_;
};

std::string luogo_di(const std::string& etichetta, const Righe& righe, size_t offset) {
  return etichetta + ":" + std::to_string(righe.riga(offset) + 1) + ":" + std::to_string(offset - righe.inizio(offset) + 1);
}

std::string luogo_di(const std::string& etichetta, const std::string& bytes, size_t offset) {
  return luogo_di(etichetta, Righe(bytes), offset);
}

// The item that starts at `offset`, as the author wrote it.
std::string item_a(const std::string& b, size_t offset) {
  size_t fine = offset;
  while (fine < b.size() && b[fine] != ',' && b[fine] != '\r' && b[fine] != '\n') ++fine;
  while (fine > offset && (b[fine - 1] == ' ' || b[fine - 1] == '\t')) --fine;
  return b.substr(offset, fine - offset);
}

// Built in steps: the sum of a literal and a new string makes the cross
// compiler's optimiser warn of an overlap that cannot happen.
std::string citato(const std::string& t) {
  std::string c = "\"";
  c += utf8_da_cp1252(t);
  c += '"';
  return c;
}

bool numerico(const std::string& t) {
  size_t i = t.size() > 0 && t[0] == '-' ? 1 : 0;
  if (i >= t.size()) return false;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return false;
  }
  return true;
}

// --- the findings kept -----------------------------------------------------

// The findings of both readings: the first kRilieviTenuti in file order
// are kept with their text, the rest only counted. Findings come nearly in
// file order, so once the list is full almost every later one is counted
// at once; the list is cut back to the first ones whenever it doubles.
class Raccolta {
 public:
  explicit Raccolta(ControlloScript& out) : out_(out) {}

  // The place in the order of a finding given later but meant to come
  // before every finding given from now on at the same byte.
  uint64_t segno() const { return 2 * prossimo_; }
  void aggiungi(Avviso a) { aggiungi(2 * prossimo_++ + 1, std::move(a)); }
  // Whether a finding given now at `offset` of `file` would only be
  // counted; `conta` counts it, so that its text is never made.
  bool oltre(int file, size_t offset) const {
    return pieno_ && (file != ultimo_.file ? file > ultimo_.file : offset >= ultimo_.offset);
  }
  void conta(int file, Gravita g) { out_.omessi.conta(file, g); }
  void aggiungi(uint64_t ordine, Avviso a) {
    Tenuto t{ordine, std::move(a)};
    if (pieno_ && prima(ultimo_, t)) {
      out_.omessi.conta(t.a.file, t.a.gravita);
      return;
    }
    tenuti_.push_back(std::move(t));
    if (tenuti_.size() >= 2 * kRilieviTenuti) sfoltisci();
  }
  // The findings kept, in file order, into the check's result.
  void chiudi() {
    sfoltisci();
    out_.avvisi.reserve(tenuti_.size());
    for (Tenuto& t : tenuti_) out_.avvisi.push_back(std::move(t.a));
    tenuti_.clear();
  }

 private:
  struct Tenuto {
    uint64_t ordine;
    Avviso a;
  };
  struct Chiave {
    int file;
    size_t offset;
    uint64_t ordine;
  };
  static bool prima(const Chiave& a, const Tenuto& b) {
    if (a.file != b.a.file) return a.file < b.a.file;
    if (a.offset != b.a.offset) return a.offset < b.a.offset;
    return a.ordine < b.ordine;
  }
  void sfoltisci() {
    std::sort(tenuti_.begin(), tenuti_.end(), [](const Tenuto& a, const Tenuto& b) {
      return prima(Chiave{a.a.file, a.a.offset, a.ordine}, b);
    });
    if (tenuti_.size() < kRilieviTenuti) return;
    for (size_t i = kRilieviTenuti; i < tenuti_.size(); ++i) out_.omessi.conta(tenuti_[i].a.file, tenuti_[i].a.gravita);
    tenuti_.resize(kRilieviTenuti);
    const Tenuto& u = tenuti_.back();
    ultimo_ = {u.a.file, u.a.offset, u.ordine};
    pieno_ = true;
  }

  ControlloScript& out_;
  std::vector<Tenuto> tenuti_;
  uint64_t prossimo_ = 0;
  bool pieno_ = false;  // kRilieviTenuti kept: any finding after the last of them is only counted
  Chiave ultimo_{};
};

// --- the reading -----------------------------------------------------------

struct Voce {
  const Chiave* k = nullptr;
  size_t parola = 0;
  std::vector<int32_t> v;
  std::vector<size_t> dove;  // where each field begins
  std::string testo;
};

class Lettura {
 public:
  // The reading borrows the script's bytes for its item reader and gives
  // them back when it ends.
  Lettura(TestoScript& t, int file, bool linea_voluta, ControlloScript& out, Raccolta& raccolta)
      : t_(t), file_(file), linea_voluta_(linea_voluta), out_(out), raccolta_(raccolta) {
    s_.bytes = std::move(t.bytes);
  }
  ~Lettura() { t_.bytes = std::move(s_.bytes); }
  Lettura(const Lettura&) = delete;
  Lettura& operator=(const Lettura&) = delete;

  int32_t lunghezza = 0;  // the route length read
  bool lunghezza_letta = false;

  void avviso(size_t offset, const std::string& frase, Gravita g = Gravita::avviso, Correzione correzione = {}) {
    if (!da_tenere(offset, g)) return;
    raccolta_.aggiungi({file_, offset, luogo_di(t_.etichetta, righe_, offset), frase, g, std::move(correzione)});
  }
  void avviso(size_t offset, const std::string& frase, Correzione correzione) {
    avviso(offset, frase, Gravita::avviso, std::move(correzione));
  }

  // False, with the finding counted, when a finding at `offset` falls past
  // those kept: its sentence need not be made.
  bool da_tenere(size_t offset, Gravita g) {
    if (!raccolta_.oltre(file_, offset)) return true;
    raccolta_.conta(file_, g);
    return false;
  }

  // The item written at `offset` replaced by `testo`.
  Correzione sostituisci_item(size_t offset, std::string testo) const {
    return {true, offset, offset + item_a(s_.bytes, offset).size(), std::move(testo)};
  }

  // Line script: preamble, general section, body. False when the compiler
  // would read no body (no "[generale]" or no route length).
  bool linea() {
    if (!preambolo()) return false;
    for (;;) {
      if (fine_file(s_)) break;
      leggi_testo(s_, buf_);
      parola_ = s_.item_start;
      if (fine_file(s_)) {
        ultima_voce(Zona::generale);
        break;
      }
      bool guasto = false;
      for (int i = 0; i < 10 && contiene(buf_, "-"); ++i) {
        separatore(Zona::generale);
        if (!leggi_testo(s_, buf_)) {
          guasto = true;
          break;
        }
        parola_ = s_.item_start;
      }
      if (guasto) return false;
      const bool fine_sezione = !buf_.empty() && buf_[0] != '-' && contiene(buf_, "[") && contiene(buf_, "]");
      voce(Zona::generale, fine_sezione);
      if (fine_sezione) break;
    }
    if (!lunghezza_letta || lunghezza > 1000000) return false;
    last_cell_ = indice((static_cast<double>(lunghezza) + 7000) / 50.0);
    if (last_cell_ < 1) return false;  // no route to place anything on
    line_extent_ = static_cast<int64_t>(lunghezza) + 7000;
    corpo(Zona::linea);
    return true;
  }

  void treno(int32_t lunghezza_linea) {
    lunghezza = lunghezza_linea;
    last_cell_ = indice((static_cast<double>(lunghezza) + 7000) / 50.0);
    line_extent_ = static_cast<int64_t>(lunghezza) + 7000;
    if (s_.bytes.empty()) {
      avviso(0, "lo script del treno è vuoto: nessun dato del treno, nessuna stazione e nessun segnale");
      return;
    }
    if (!preambolo()) return;
    const size_t generale = s_.item_start;
    const uint64_t prima = raccolta_.segno();
    int lette = 0;
    corpo(Zona::treno, &lette);
    if (lette == 0 && out_.guasti[file_].empty()) {
      raccolta_.aggiungi(prima, {file_, generale, luogo_di(t_.etichetta, righe_, generale),
                                 "dopo \"[generale]\" non c'è nessuna riga che il compilatore legga: lo script del "
                                 "treno non dà nulla"});
    }
  }

 private:
  // Skips to the "[generale]" item; false, with a warning for the train
  // script, when there is none.
  bool preambolo() {
    std::string vicino;
    size_t dove_vicino = 0;
    for (;;) {
      if (fine_file(s_)) break;
      leggi_testo(s_, buf_);
      if (fine_file(s_) && file_ == 0) return false;  // the compiler's fault 102
      if (contiene_ci(buf_, "[generale]")) return true;
      if (vicino.empty() && !buf_.empty() && distanza(minuscolo(buf_), "[generale]", 2) <= 2) {
        vicino = buf_;
        dove_vicino = s_.item_start;
      }
    }
    if (file_ == 1) {
      if (!vicino.empty()) {
        avviso(dove_vicino,
               citato(vicino) + " non è \"[generale]\": senza quella sezione nulla dello script del "
                                "treno viene letto; scrivi \"[generale]\"",
               sostituisci_item(dove_vicino, "[generale]"));
      } else {
        avviso(0, "manca la sezione \"[generale]\": nulla dello script del treno viene letto (dati del treno, "
                  "stazioni, segnali); scrivi \"[generale]\" prima delle righe");
      }
    }
    return false;
  }

  void corpo(Zona zona, int* lette = nullptr) {
    for (;;) {
      // The reading step of a body: one item, then up to two separators.
      for (int i = 0; i < 3; ++i) {
        if (fine_file(s_)) return;
        leggi_testo(s_, buf_);
        parola_ = s_.item_start;
        if (fine_file(s_)) {
          ultima_voce(zona);
          return;
        }
        if (!contiene(buf_, "-")) break;
        if (i < 2) separatore(zona);
      }
      const int n = voce(zona, false);
      if (lette != nullptr) *lette += n;
    }
  }

  // The keywords whose tests take the item, in the order of the tests; the
  // list is reused from item to item.
  const std::vector<const Chiave*>& corrispondenze(Zona zona, const std::string& item) {
    trovate_.clear();
    if (item.empty()) return trovate_;  // a blank line, the commonest item of all
    // An item shorter than every word of a keyword cannot contain it.
    static const std::vector<size_t> minime = [] {
      std::vector<size_t> m;
      for (const Chiave& k : chiavi()) m.push_back(std::max(std::strlen(k.a), k.b == nullptr ? 0 : std::strlen(k.b)));
      return m;
    }();
    const std::vector<Chiave>& tabella = chiavi();
    for (size_t i = 0; i < tabella.size(); ++i) {
      const Chiave& k = tabella[i];
      if (k.zona == zona && item.size() >= minime[i] && prova(k, item, linea_voluta_)) trovate_.push_back(&k);
    }
    return trovate_;
  }

  // An item skipped as a separator because it holds "-", though a keyword
  // test would take it.
  void separatore(Zona zona) {
    const std::vector<const Chiave*>& k = corrispondenze(zona, buf_);
    if (k.empty()) return;
    riga_ignorata_ = righe_.riga(s_.item_start) + 1;
    std::string senza_trattino = item_a(s_.bytes, s_.item_start);
    std::erase(senza_trattino, '-');
    avviso(s_.item_start,
           citato(buf_) + " contiene \"-\" e viene saltato come separatore, benché contenga la parola "
                          "chiave \"" + k[0]->nome + "\": la riga è ignorata; togli il \"-\"",
           sostituisci_item(s_.item_start, senza_trattino));
  }

  void ultima_voce(Zona zona) {
    const std::vector<const Chiave*>& k = corrispondenze(zona, buf_);
    if (k.empty()) return;
    const std::string& b = s_.bytes;
    const bool a_capo = !b.empty() && (b.back() == '\n' || b.back() == '\r');
    avviso(parola_,
           citato(buf_) + " è l'ultima voce del file e il compilatore non la legge mai: chiudi il file con "
                          "la riga \"[fine]\"",
           {true, b.size(), b.size(), std::string(a_capo ? "" : "\r\n") + "[fine]\r\n"});
  }

  // A keyword item: put to every test; each match reads its fields. Returns
  // the lines read.
  int voce(Zona zona, bool fine_sezione) {
    const std::string& item = buf_;  // fields are read into their own strings
    const size_t parola = parola_;
    const std::vector<const Chiave*>& trovate = corrispondenze(zona, item);
    if (trovate.empty()) {
      if (!fine_sezione) sconosciuta(zona, item, parola);
      return 0;
    }
    if (trovate.size() > 1) {
      std::string nomi;
      for (const Chiave* k : trovate) nomi += (nomi.empty() ? "\"" : " e \"") + std::string(k->nome) + "\"";
      avviso(parola, citato(item) + " corrisponde a più parole chiave (" + nomi +
                         "): ognuna legge i suoi campi, uno dopo l'altro; scrivi una parola chiave per riga");
    } else if (!scritta_bene(*trovate[0], item)) {
      // A curve and a repetition say their class or system in the word:
      // no one spelling to put in its place.
      const bool una = trovate[0]->id != Id::curva && trovate[0]->id != Id::ripetizione;
      avviso(parola,
             citato(item) + " è letto come la parola chiave \"" + trovate[0]->nome +
                 "\" perché la contiene: se è un commento, toglilo; altrimenti scrivi \"" + trovate[0]->nome + "\"",
             una ? sostituisci_item(parola, trovate[0]->nome) : Correzione{});
    }
    int lette = 0;
    for (const Chiave* k : trovate) {
      Voce& v = voce_;  // its lists keep their room from line to line
      v.k = k;
      v.parola = parola;
      v.v.clear();
      v.dove.clear();
      v.testo.clear();
      if (!campi(v)) return lette;
      ++lette;
      if (k->conteggio != nullptr) ++out_.righe[k->conteggio];
      controlla(v);
    }
    return lette;
  }

  static bool curva(Zona zona, const std::string& item) {
    for (const Chiave& k : chiavi()) {
      if (k.zona == zona && k.id == Id::curva && prova(k, item, true)) return true;
    }
    return false;
  }

  void sconosciuta(Zona zona, const std::string& item, size_t parola) {
    // Blank lines and section headers mean nothing to the reader, as meant.
    if (item.empty() || (contiene(item, "[") && contiene(item, "]"))) return;
    // The fields of a line already said to be ignored.
    const size_t riga = righe_.riga(parola);
    if (riga_ignorata_ == riga + 1) return;
    riga_ignorata_ = riga + 1;
    // Without the line file the curves are left unread on purpose.
    if (!linea_voluta_ && curva(zona, item)) return;
    if (numerico(item)) {
      if (!da_tenere(parola, Gravita::avviso)) return;
      avviso(parola, "il valore " + citato(item) +
                         " sta dove si attende una parola chiave: la riga precedente ha un campo in più? Viene "
                         "ignorato");
      return;
    }
    const std::string vicina = parola_vicina_in(zona, item);
    // A keyword misspelt on a line of values drops those values from the
    // route without a word from the compiler: almost never meant.
    const Gravita gravita = !vicina.empty() && porta_campi(parola) ? Gravita::errore : Gravita::avviso;
    if (!da_tenere(parola, gravita)) return;
    std::string frase = citato(item) + " non è una parola chiave e la riga viene ignorata";
    if (!vicina.empty()) {
      frase += minuscolo(vicina) == minuscolo(item)
                   ? "; le parole chiave della sezione [generale] distinguono le maiuscole: scrivi \"" + vicina + "\""
                   : "; forse \"" + vicina + "\"?";
    }
    avviso(parola, frase, gravita, vicina.empty() ? Correzione{} : sostituisci_item(parola, vicina));
  }

  // Whether the item at `offset` is followed by a field on its line.
  bool porta_campi(size_t offset) const {
    for (size_t i = offset; i < s_.bytes.size(); ++i) {
      if (s_.bytes[i] == ',') return true;
      if (s_.bytes[i] == '\r' || s_.bytes[i] == '\n') return false;
    }
    return false;
  }

 public:
  static std::string parola_vicina_in(Zona zona, const std::string& item) {
    // Each keyword's two spellings, made once: this runs for every line
    // that is no keyword.
    struct Vicina {
      Zona zona;
      std::string parola;
      const char* proposta;
    };
    static const std::vector<Vicina> candidate = [] {
      std::vector<Vicina> v;
      for (const Chiave& k : chiavi()) {
        const char* proposta = k.id == Id::curva ? "curvad4" : k.nome;
        v.push_back({k.zona, k.id == Id::curva ? "curva" : k.nome, proposta});
        v.push_back({k.zona, k.a, proposta});
      }
      return v;
    }();
    // The lengths an item may have to be near any of them.
    static const std::pair<size_t, size_t> lunghezze = [] {
      std::pair<size_t, size_t> l{SIZE_MAX, 0};
      for (const Vicina& c : candidate) {
        const size_t massima = std::max<size_t>(1, c.parola.size() / 4);
        l.first = std::min(l.first, c.parola.size() - std::min(c.parola.size(), massima));
        l.second = std::max(l.second, c.parola.size() + massima);
      }
      return l;
    }();
    if (item.size() < lunghezze.first || item.size() > lunghezze.second) return {};
    std::string m;  // the item in lower case, made once a keyword is near its length
    std::string migliore;
    size_t d_migliore = 3;
    for (const Vicina& c : candidate) {
      if (c.zona != zona && !(zona == Zona::linea && c.zona == Zona::generale)) continue;
      // The distance is at least the difference of the lengths: most
      // items are too long or too short to be any keyword misspelt.
      const size_t massima = std::max<size_t>(1, c.parola.size() / 4);
      if ((item.size() > c.parola.size() ? item.size() - c.parola.size() : c.parola.size() - item.size()) > massima) continue;
      if (m.empty()) m = minuscolo(item);
      const size_t d = distanza(m, c.parola, massima);
      if (d < d_migliore && d <= massima) {
        d_migliore = d;
        migliore = c.proposta;
      }
    }
    return migliore;
  }

 private:
  // Reads the fields of one keyword line; a field that cannot be read is a
  // read fault, and the reading goes on after the line.
  bool campi(Voce& v) {
    const Chiave& k = *v.k;
    size_t precedente = v.parola;
    for (size_t j = 0; j < k.campi.size(); ++j) {
      const Campo& c = k.campi[j];
      bool ok = false;
      std::string perche;
      bool fine = fine_file(s_);
      if (c.testo) {
        ok = leggi_testo(s_, v.testo);
        if (ok && v.testo.size() > kTestoMassimo) {
          ok = false;
          perche = "lungo";
        }
      } else {
        int32_t x = 0;
        ok = leggi_numero(s_, c.w, x, perche);
        v.v.push_back(x);
      }
      if (ok && fine_riga_tra(precedente, s_.item_start)) {
        avviso(v.parola,
               "la riga di \"" + std::string(k.nome) + "\" finisce prima del campo " + std::to_string(j + 1) + " (" +
                   c.nome + "): " + mancanti(k, j) + (j + 1 == k.campi.size() ? " è preso" : " sono presi") +
                   " dalla riga seguente",
               unisci_righe(precedente, s_.item_start));
      }
      if (!ok) {
        guasto(v, j, fine, precedente, perche);
        return false;
      }
      v.dove.push_back(s_.item_start);
      precedente = s_.item_start;
    }
    return true;
  }

  // The line ends between two items taken away, so that the second stands
  // on the line of the first, with the comma that separates them.
  Correzione unisci_righe(size_t da, size_t a) const {
    const std::string& b = s_.bytes;
    size_t primo = da;
    while (primo < a && b[primo] != '\n' && b[primo] != '\r') ++primo;
    size_t ultimo = a;
    while (ultimo > primo && b[ultimo - 1] != '\n' && b[ultimo - 1] != '\r') --ultimo;
    // Within the two items only: a search to the end of a script without
    // commas would cost the script's length for each line cut short.
    const bool virgola = std::find(b.begin() + static_cast<std::ptrdiff_t>(da), b.begin() + static_cast<std::ptrdiff_t>(a), ',') !=
                         b.begin() + static_cast<std::ptrdiff_t>(a);
    return {true, primo, ultimo, virgola ? " " : ", "};
  }

  // A line end between two places of the script.
  bool fine_riga_tra(size_t da, size_t a) const {
    for (size_t i = da; i < a && i < s_.bytes.size(); ++i) {
      if (s_.bytes[i] == '\n' || s_.bytes[i] == '\r') return true;
    }
    return false;
  }

  static std::string mancanti(const Chiave& k, size_t da) {
    std::string nomi;
    for (size_t j = da; j < k.campi.size(); ++j) nomi += (nomi.empty() ? "" : ", ") + std::string(k.campi[j].nome);
    if (da + 1 == k.campi.size()) return "il campo " + std::to_string(da + 1) + " (" + nomi + ")";
    return "i campi da " + std::to_string(da + 1) + " a " + std::to_string(k.campi.size()) + " (" + nomi + ")";
  }

  void guasto(const Voce& v, size_t j, bool fine, size_t precedente, const std::string& perche) {
    const Chiave& k = *v.k;
    const Campo& c = k.campi[j];
    GuastoDiLettura g;
    g.offset = s_.item_start;
    g.riga_da = righe_.inizio(v.parola);
    const bool corta = fine || fine_riga_tra(precedente, s_.item_start);
    const std::string riga = "la riga di \"" + std::string(k.nome) + "\"";
    const std::string dopo = j == 0 ? "subito dopo la parola chiave" : "dopo il campo " + std::to_string(j) + " (" +
                                                                            k.campi[j - 1].nome + ")";
    if (corta) {
      g.luogo = luogo_di(t_.etichetta, righe_, v.parola);
      g.dove = v.parola;
      g.frase = riga + " finisce " + dopo + (fine ? ", con il file" : "") +
                (j + 1 == k.campi.size() ? ": manca " : ": mancano ") + mancanti(k, j);
      if (!fine && !c.testo) g.frase += " (" + citato(item_a(s_.bytes, s_.item_start)) + " non è un numero intero)";
      g.riga_a = fine ? s_.bytes.size() : righe_.inizio(s_.item_start);
    } else {
      g.luogo = luogo_di(t_.etichetta, righe_, s_.item_start);
      g.dove = s_.item_start;
      const std::string campo = "campo " + std::to_string(j + 1) + " (" + c.nome + ") di \"" + k.nome + "\": ";
      const std::string trovato = item_a(s_.bytes, s_.item_start);
      if (c.testo) {
        g.frase = campo + "il testo supera i " + std::to_string(kTestoMassimo) + " caratteri: accorcialo";
      } else if (perche.rfind("il valore", 0) == 0) {
        const std::string limiti = perche.substr(perche.find("fuori dal campo") + std::string("fuori dal campo").size());
        g.frase = campo + trovato + " non sta in " +
                  (c.w == Larghezza::bit8 ? "8 bit" : c.w == Larghezza::bit16 ? "16 bit" : "32 bit") +
                  ": il campo va" + limiti;
      } else {
        g.frase = campo + citato(trovato) + " non è un numero intero";
      }
      g.riga_a = righe_.dopo(s_.item_start, s_.bytes.size());
    }
    // The faults past those kept are only skipped: a fault's report comes
    // from the compiler, which keeps as many.
    s_.pos = g.riga_a;  // the line is skipped
    if (out_.guasti[file_].size() < kRilieviTenuti) out_.guasti[file_].push_back(std::move(g));
  }

  // --- ranges and placement of one line read whole ---

  // A value outside [minimo, massimo]; `come` says what becomes of it. Every
  // line passes here, so nothing is written for a value in range.
  void fuori_campo(const Voce& v, size_t j, int64_t minimo, int64_t massimo, std::string_view come = {}) {
    fuori_campo(v, j, minimo, massimo, [come] { return std::string(come); });
  }
  template <std::invocable Come>
  void fuori_campo(const Voce& v, size_t j, int64_t minimo, int64_t massimo, const Come& come) {
    const int64_t x = v.v[j];
    if (x >= minimo && x <= massimo) return;
    const std::string c = come();
    avviso(v.dove[j], "campo " + std::to_string(j + 1) + " (" + v.k->campi[j].nome + ") di \"" + v.k->nome +
                          "\": " + std::to_string(x) + " è fuori dal campo da " + std::to_string(minimo) + " a " +
                          std::to_string(massimo) + (c.empty() ? "" : "; " + c));
  }

  void bit_bassi(const Voce& v, size_t j, int64_t valore, int bit, const std::string& cosa) {
    const int64_t minimo = bit == 8 ? 0 : -32768;
    const int64_t massimo = bit == 8 ? 255 : 32767;
    if (valore >= minimo && valore <= massimo) return;
    avviso(v.dove[j], "campo " + std::to_string(j + 1) + " (" + v.k->campi[j].nome + ") di \"" + v.k->nome +
                          "\": " + cosa + " " + std::to_string(valore) + " non sta in " + std::to_string(bit) +
                          " bit e se ne tengono solo i bit bassi (" +
                          std::to_string(bit == 8 ? lo8(valore) : lo16(valore)) + ")");
  }

  int64_t cella(int64_t p) const { return indice(static_cast<double>(p) / 50.0 + 1); }

  void prima_del_percorso(const Voce& v, int64_t cella_p, const std::string& cosa) {
    if (cella_p >= 0) return;
    avviso(v.dove[0], "\"" + std::string(v.k->nome) + "\" a " + std::to_string(v.v[0]) +
                          " m sta prima dell'inizio del percorso: " + cosa + " non viene posto");
  }

  // Ascending order of a running table, from 0.
  void in_ordine(const Voce& v, bool& visto, int32_t& ultima, bool da_zero) {
    const int32_t p = v.v[0];
    if (!visto && da_zero && p != 0) {
      avviso(v.dove[0], "la prima riga \"" + std::string(v.k->nome) + "\" è a " + std::to_string(p) +
                            " m: la tabella deve cominciare a 0 m, e prima le celle ricevono 0");
    } else if (visto && p < ultima) {
      avviso(v.dove[0], "\"" + std::string(v.k->nome) + "\" a " + std::to_string(p) + " m viene dopo una riga a " +
                            std::to_string(ultima) + " m: le righe vanno in ordine crescente di posizione");
    }
    visto = true;
    ultima = p;
  }

  // A feature placed past the end of the line: the route goes on for its
  // margin and takes it, but the line the author declared ends before it.
  void oltre_la_linea(const Voce& v) {
    if (v.k->zona == Zona::generale || v.v.empty() || v.v[0] <= lunghezza) return;
    avviso(v.dove[0], "\"" + std::string(v.k->nome) + "\" a " + std::to_string(v.v[0]) +
                          " m sta oltre la fine della linea (" + std::to_string(lunghezza) +
                          " m): sposta la riga entro la linea o allunga \"lunghezza percorso\"");
  }

  void controlla(const Voce& v) {
    oltre_la_linea(v);
    switch (v.k->id) {
      case Id::lunghezza:
        lunghezza = v.v[0];
        lunghezza_letta = true;
        break;
      case Id::prog_tre:
      case Id::prog_due:
      case Id::prog_uno:
        fuori_campo(v, 2, 0, 1, "0 per una progressiva crescente, 1 per una decrescente");
        break;
      case Id::pendenza:
        if (v.v[0] < 0) prima_del_percorso(v, -1, "la pendenza vale dalla cella successiva e il punto");
        in_ordine(v, pendenza_vista_, pendenza_ultima_, false);
        fuori_campo(v, 1, kCampoPendenza.minimo, kCampoPendenza.massimo, [&] {
          return "si tengono i bit bassi di pendenza + 100 (" +
                 std::to_string(static_cast<int>(lo8(static_cast<int64_t>(v.v[1]) + 100)) - 100) + " per mille)";
        });
        break;
      case Id::curva: {
        const int64_t fine = static_cast<int64_t>(v.v[0]) + v.v[1];
        if (curva_vista_ && v.v[0] < curva_fine_) {
          avviso(v.dove[0], "la curva comincia a " + std::to_string(v.v[0]) + " m, prima della fine della precedente (" +
                                std::to_string(curva_fine_) + " m): le curve vanno in ordine e non si sovrappongono");
        }
        curva_vista_ = true;
        curva_fine_ = fine;
        if (v.v[1] < 0) fuori_campo(v, 1, 0, 1000000);
        if (fine > line_extent_ - 2) {
          avviso(v.parola, "la curva finisce a " + std::to_string(fine) + " m, oltre l'ultimo punto del tracciato (" +
                               std::to_string(line_extent_ - 2) + " m): gli ultimi " +
                               std::to_string(fine - (line_extent_ - 2)) + " m non vengono posati");
        }
        break;
      }
      case Id::montagna: {
        const int64_t primo = indice(v.v[0] / 50.0);
        const int64_t ultimo = indice(v.v[1] / 50.0 - 1);
        if (primo > ultimo) {
          avviso(v.parola, "la montagna da " + std::to_string(v.v[0]) + " a " + std::to_string(v.v[1]) +
                               " m non copre nessuna cella: non viene posta");
        } else if (primo < 0 || ultimo > last_cell_) {
          avviso(v.parola, "la montagna da " + std::to_string(v.v[0]) + " a " + std::to_string(v.v[1]) +
                               " m esce dal percorso (celle da 0 a " + std::to_string(last_cell_) +
                               "): la parte fuori non viene posta");
        }
        bit_bassi(v, 2, v.v[2] > 10 ? v.v[2] - 10 : v.v[2], 8, "il tipo");
        break;
      }
      case Id::indicatori:
        prima_del_percorso(v, cella(v.v[0]), "il cartello");
        for (size_t j : {1u, 2u, 3u, 5u, 6u, 7u}) {
          if (v.v[j] % 5 != 0 || v.v[j] < 0) {
            avviso(v.dove[j], "campo " + std::to_string(j + 1) + " (" + v.k->campi[j].nome +
                                  ") di \"indicatori_vmax\": " + std::to_string(v.v[j]) +
                                  " km/h non è un multiplo di 5 da 0 in su: il simulatore non la legge come è scritta");
          } else if (j >= 5 && v.v[j] > 495) {
            fuori_campo(v, j, 0, 495, "oltre, il valore si confonde con la velocità di sinistra");
          }
        }
        fuori_campo(v, 4, 0, 9);
        fuori_campo(v, 8, 0, 9);
        break;
      case Id::cartello:
        prima_del_percorso(v, cella(v.v[0]), "il cartello");
        break;
      case Id::velocita:
        in_ordine(v, velocita_vista_, velocita_ultima_, true);
        // A speed whose units of 5 km/h do not fit a byte is the compiler's
        // fault, said with the same range; nearer ones round into it.
        if (uint8_t unita = 0; arrotonda8(v.v[1] / 5.0, unita)) {
          const bool nel_campo = v.v[1] >= kCampoVelocita.minimo && v.v[1] <= kCampoVelocita.massimo;
          if (nel_campo && v.v[1] % 5 != 0) {
            avviso(v.dove[1], "campo 2 (velocita) di \"velocita\": " + std::to_string(v.v[1]) +
                                  " km/h non è un multiplo di 5: si arrotonda a " + std::to_string(unita * 5) + " km/h");
          }
          fuori_campo(v, 1, kCampoVelocita.minimo, kCampoVelocita.massimo,
                      [&] { return "si arrotonda a " + std::to_string(unita * 5) + " km/h"; });
        }
        break;
      case Id::aderenza:
        in_ordine(v, aderenza_vista_, aderenza_ultima_, true);
        fuori_campo(v, 1, kCampoAderenza.minimo, kCampoAderenza.massimo, [&] { return "si tengono i bit bassi (" + std::to_string(lo8(v.v[1])) + ")"; });
        break;
      case Id::orologio:
        fuori_campo(v, 0, kCampoOre.minimo, kCampoOre.massimo);
        fuori_campo(v, 1, kCampoMinuti.minimo, kCampoMinuti.massimo);
        fuori_campo(v, 2, kCampoSecondi.minimo, kCampoSecondi.massimo);
        break;
      case Id::segnale: {
        const int64_t i = cella(v.v[0]);
        prima_del_percorso(v, i, "il segnale");
        if (i >= 0 && i - 8 < 0) {
          avviso(v.parola, "il segnale a " + std::to_string(v.v[0]) +
                               " m è troppo vicino all'inizio del percorso: i codici di avvicinamento che cadrebbero "
                               "prima della cella 0 non vengono scritti");
        }
        for (size_t j : {2u, 3u, 4u, 5u, 7u, 8u, 9u}) {
          fuori_campo(v, j, kCampoCifra.minimo, kCampoCifra.massimo, "è una cifra del codice");
        }
        fuori_campo(v, 1, kCampoCifra.minimo, kCampoCifra.massimo);
        fuori_campo(v, 6, kCampoCifra.minimo, kCampoCifra.massimo);
        if (v.v[1] == 2 && !(v.v[10] >= 1 && v.v[10] <= 100)) bit_bassi(v, 10, v.v[10], 8, "il tempo");
        break;
      }
      case Id::rallentamento: {
        prima_del_percorso(v, cella(v.v[0]), "il rallentamento");
        const int64_t fine = cella(static_cast<int64_t>(v.v[0]) + v.v[2]);
        if (cella(v.v[0]) >= 0 && fine > last_cell_) {
          avviso(v.parola, "il cartello di fine del rallentamento cadrebbe nella cella " + std::to_string(fine) +
                               ", oltre l'ultima (" + std::to_string(last_cell_) + "): non viene posto");
        }
        bit_bassi(v, 1, v.v[1], 16, "la velocità");
        bit_bassi(v, 3, v.v[3], 16, "il valore");
        bit_bassi(v, 5, v.v[5], 16, "il valore");
        break;
      }
      case Id::abbattimento:
        prima_del_percorso(v, indice(v.v[0] / 50.0), "il punto");
        if (v.v[1] >= 1) bit_bassi(v, 1, v.v[1], 16, "il valore");
        break;
      case Id::stazione:
        fuori_campo(v, 13, kCampoOre.minimo, kCampoOre.massimo);
        fuori_campo(v, 14, kCampoMinuti.minimo, kCampoMinuti.massimo);
        fuori_campo(v, 15, kCampoSecondi.minimo, kCampoSecondi.massimo);
        break;
      default:
        break;
    }
  }

  TestoScript& t_;
  int file_;
  bool linea_voluta_;
  ControlloScript& out_;
  Raccolta& raccolta_;
  ScriptItems s_;
  Righe righe_{s_.bytes};
  std::string buf_;
  std::vector<const Chiave*> trovate_;
  Voce voce_;  // the line being read
  size_t parola_ = 0;
  size_t riga_ignorata_ = 0;  // 1 + the line of the last item that matched nothing
  int64_t last_cell_ = 0;
  int64_t line_extent_ = 0;
  bool pendenza_vista_ = false;
  int32_t pendenza_ultima_ = 0;
  bool curva_vista_ = false;
  int64_t curva_fine_ = 0;
  bool velocita_vista_ = false;
  int32_t velocita_ultima_ = 0;
  bool aderenza_vista_ = false;
  int32_t aderenza_ultima_ = 0;
};

// Bytes that are no text in Windows-1252: control characters other than
// tab, CR and LF, and the five places the code page leaves empty. A table,
// as every byte of a script is looked up.
constexpr std::array<bool, 256> kNonTesto = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[static_cast<size_t>(c)] = (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F || c == 0x81 ||
                                c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
  }
  return t;
}();
bool non_testo(unsigned char c) { return kNonTesto[c]; }

// One UTF-8 character at i: its code point and length, or false.
bool carattere_utf8(const std::string& t, size_t i, uint32_t& cp, size_t& n) {
  const auto b = static_cast<unsigned char>(t[i]);
  if (b < 0x80) {
    cp = b;
    n = 1;
    return true;
  }
  if ((b & 0xE0) == 0xC0 && b >= 0xC2) {
    cp = b & 0x1Fu;
    n = 2;
  } else if ((b & 0xF0) == 0xE0) {
    cp = b & 0x0Fu;
    n = 3;
  } else if ((b & 0xF8) == 0xF0 && b <= 0xF4) {
    cp = b & 0x07u;
    n = 4;
  } else {
    return false;
  }
  if (i + n > t.size()) return false;
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(t[i + k]);
    if ((c & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return false;
  }
  return true;
}

}  // namespace

const std::vector<ParolaChiave>& parole_chiave() {
  static const std::vector<ParolaChiave> tabella = [] {
    std::vector<ParolaChiave> t;
    for (const Chiave& k : chiavi()) {
      ParolaChiave p{k.nome, k.zona == Zona::generale, k.zona == Zona::treno, {}};
      for (const Campo& c : k.campi) {
        p.campi.push_back({c.nome, c.w == Larghezza::bit8 ? 8 : c.w == Larghezza::bit16 ? 16 : 32, c.testo});
      }
      t.push_back(std::move(p));
    }
    return t;
  }();
  return tabella;
}

const ParolaChiave* parola_chiave_di(const std::string& item, bool script_treno) {
  const Zona corpo = script_treno ? Zona::treno : Zona::linea;
  for (const Zona zona : {corpo, Zona::generale}) {
    for (size_t i = 0; i < chiavi().size(); ++i) {
      if (chiavi()[i].zona == zona && prova(chiavi()[i], item, true)) return &parole_chiave()[i];
    }
  }
  return nullptr;
}

std::string parola_vicina(const std::string& item, bool script_treno) {
  return Lettura::parola_vicina_in(script_treno ? Zona::treno : Zona::linea, item);
}

void prepara_testo(const std::string& etichetta, int file, std::string originale, TestoScript& testo,
                   std::vector<Avviso>& avvisi, std::vector<std::string>& guasti, bool gia_windows) {
  testo.etichetta = etichetta;
  const bool bom = originale.compare(0, 3, "\xEF\xBB\xBF") == 0;
  std::string senza_bom = bom ? originale.substr(3) : std::string();
  const std::string& corpo = bom ? senza_bom : originale;
  bool utf8 = true;
  bool oltre_ascii = false;
  for (size_t i = 0; i < corpo.size() && utf8;) {
    if (static_cast<unsigned char>(corpo[i]) < 0x80) {
      ++i;
      continue;
    }
    uint32_t cp = 0;
    size_t n = 0;
    utf8 = carattere_utf8(corpo, i, cp, n);
    oltre_ascii = true;
    i += n;
  }
  if (gia_windows || !utf8 || !oltre_ascii) {
    // Windows-1252 as it stands, or ASCII (a lone byte-order mark dropped).
    testo.bytes = (utf8 && bom) ? std::move(senza_bom) : std::move(originale);
    for (size_t i = 0; i < testo.bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(testo.bytes[i]);
      if (!non_testo(c)) continue;
      char codice[8];
      std::snprintf(codice, sizeof codice, "%02X", c);
      avvisi.push_back({file, i, luogo_di(etichetta, testo.bytes, i),
                        std::string("il file contiene il byte ") + codice +
                            ", che non è testo in Windows-1252: è davvero uno script? Viene letto come sta"});
      break;
    }
    return;
  }
  // UTF-8 with letters beyond ASCII: one byte per character.
  std::string convertito;
  convertito.reserve(corpo.size());
  size_t taciuti = 0;  // characters without a place beyond those listed
  for (size_t i = 0; i < corpo.size();) {
    uint32_t cp = 0;
    size_t n = 0;
    carattere_utf8(corpo, i, cp, n);
    std::string uno;
    if (cp1252_da_utf8(corpo.substr(i, n), uno) && uno.size() == 1) {
      convertito += uno;
    } else if (guasti.size() >= kCaratteriElencati) {
      ++taciuti;
      convertito += '?';
    } else {
      char codice[16];
      std::snprintf(codice, sizeof codice, "U+%04X", static_cast<unsigned>(cp));
      guasti.push_back(luogo_di(etichetta, convertito, convertito.size()) + ": il carattere \"" + corpo.substr(i, n) +
                       "\" (" + codice + ") non esiste in Windows-1252, la codifica degli script: sostituiscilo");
      convertito += '?';
    }
    i += n;
  }
  testo.bytes = convertito;
  if (taciuti > 0) {
    guasti.push_back(etichetta + ": altri " + std::to_string(taciuti) + " caratteri non esistono in Windows-1252");
  }
  if (guasti.empty()) {
    avvisi.push_back({file, 0, luogo_di(etichetta, testo.bytes, 0),
                      std::string("il file è in UTF-8") + (bom ? " (con BOM)" : "") +
                          ": è stato convertito in Windows-1252, la codifica degli script, prima di compilarlo",
                      Gravita::nota});
  }
}

ControlloScript controlla_script(TestoScript& linea, TestoScript& treno, bool linea_voluta) {
  ControlloScript out;
  Raccolta raccolta(out);
  {
    Lettura l(linea, 0, linea_voluta, out, raccolta);
    if (l.linea()) {
      Lettura t(treno, 1, linea_voluta, out, raccolta);
      t.treno(l.lunghezza);
    }
  }
  raccolta.chiudi();
  return out;
}

std::string testo_avviso(const Avviso& a) {
  const char* parola = a.gravita == Gravita::nota ? ": nota: " : a.gravita == Gravita::errore ? ": errore: " : ": avviso: ";
  return a.luogo + parola + a.frase;
}

size_t conta(const std::vector<Avviso>& avvisi, Gravita g) {
  return static_cast<size_t>(std::count_if(avvisi.begin(), avvisi.end(), [g](const Avviso& a) { return a.gravita == g; }));
}

size_t conta(const std::vector<Avviso>& avvisi, const Omessi& omessi, Gravita g) {
  return conta(avvisi, g) + omessi.di(g);
}

size_t Omessi::di(Gravita g) const { return n[0][static_cast<size_t>(g)] + n[1][static_cast<size_t>(g)]; }
size_t Omessi::del_file(int file) const {
  const auto& f = n[file == 0 ? 0 : 1];
  return f[0] + f[1] + f[2];
}
size_t Omessi::totale() const { return del_file(0) + del_file(1); }

void tieni_i_primi(std::vector<Avviso>& avvisi, Omessi& omessi) {
  for (size_t i = kRilieviTenuti; i < avvisi.size(); ++i) omessi.conta(avvisi[i].file, avvisi[i].gravita);
  if (avvisi.size() > kRilieviTenuti) avvisi.resize(kRilieviTenuti);
}

}  // namespace ferrovello
