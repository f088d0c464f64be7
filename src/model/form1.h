// The window object of the installer: every operation of the run is one of
// its members and all state of the run lives in its fields. The members are
// defined in the folder of their subsystem: app, scripts, compiler, model,
// output and documents.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/fault_numbers.h"
#include "platform/platform.h"

namespace ferrovello {

// The base of the names of a scenario's train files ("Ferrovello_2632"):
// the scenario's name, "_", the train's number.
inline std::string base_treno(const std::string& nome, const std::string& numero) { return nome + "_" + numero; }

// One 50 m cell of the route, written to the route file packed as the
// layout of model/record_layout.h lists its fields.
struct RouteCell {
  uint8_t kind = 0;  // what stands in the cell; 0 = nothing
  int16_t value1 = 0;
  int16_t value2 = 0;
  int16_t value3 = 0;
  int16_t value4 = 0;
  uint8_t byte1 = 0;  // signal time
  uint8_t byte2 = 0;  // approach code of a signal or a station
  uint8_t byte3 = 0;  // mountain type
  uint8_t byte4 = 0;  // the train's speed limit, units of 5 km/h
  uint8_t byte5 = 0;  // gradient in per mille plus 100
  uint8_t byte6 = 0;  // adhesion
};

// Kinds of route cell.
enum : uint8_t {
  kSegnale = 1,
  kFineRallentamento = 2,
  kInizioRallentamento = 3,
  kAvvisoRallentamento = 4,
  kAvvicinamentoAvviso = 5,
  kIndicatoreVMax = 6,
  kFermata = 10,
  kMarcaMontagna = 11,
  kAbbattimento = 12,
  kAbbattimentoSenzaValore = 13,
  kCartello = 14,
};

// One of the 87 records of the item table; which slot holds what is named
// in fault_numbers.h (kElementoPrimaStazione to kElementoCorsa).
struct ItemRecord {
  uint8_t kind = 0;
  int32_t value1 = 0;
  int32_t value2 = 0;
  int32_t position = 0;
  uint8_t flag = 0;
  std::string text;  // Windows-1252 bytes
  int16_t word1 = 0;
  int16_t word2 = 0;
  int16_t word3 = 0;
  int16_t word4 = 0;
  int16_t word5 = 0;
  uint8_t byte1 = 0;
  uint8_t byte2 = 0;
  uint8_t byte3 = 0;
  uint8_t byte4 = 0;
  int32_t code = 0;
};

// One slot of the planar line table: empty, a 16-bit integer or a double.
// The tags are the numbers the line file carries.
struct LineValue {
  enum : int16_t { kVuoto = 0, kIntero = 2, kReale = 5 };
  int16_t tag = kVuoto;
  double value = 0.0;
};

// Where the next point of the planar line goes: its slot in entry 0 (the
// slot in entry 1 lies `half` bytes further) and its metre. The track line
// keeps a cursor in its own variables while it steps, so that storing a
// point makes it reload nothing, and hands it back to the table at the end.
struct LineCursor {
  char* slot;   // entry-0 slot of metre m
  size_t half;  // from a slot in entry 0 to the same slot in entry 1
  size_t m;     // next metre
  size_t end;   // first metre that is never laid

  // Lays metre m and moves on; nothing happens once m reaches `end`.
  void lay(double x, double y) {
    if (m >= end) return;
    put_real(slot, x);
    put_real(slot + half, y);
    slot += 10;
    ++m;
  }
  // A double slot: tag and value, little-endian like the machines the
  // program is built for.
  static void put_real(char* p, double v) {
    static_assert(std::endian::native == std::endian::little);
    const int16_t tag = LineValue::kReale;
    std::memcpy(p, &tag, sizeof tag);
    std::memcpy(p + sizeof tag, &v, sizeof v);
  }
};

// The writer of the line file while its table is laid (output/line_file_writer.h),
// told of the metres laid so far.
struct ScritturaLinea;
void annuncia_posa(ScritturaLinea& scrittura, size_t laid);

// The planar line table, held in the byte layout of the line file: entry 0
// of every metre, then entry 1, each slot a 16-bit tag and its value. The
// points are laid from metre 0 upwards without gaps, metres 0 and 1 as
// integers and the rest as doubles, and the last two metres stay empty; so
// the place of every slot is known in advance, and a table laid to its end
// is the file as it stands, written without encoding or copying. The room
// of a slot not yet laid holds no defined bytes and is never read: it is
// either laid before the file is written or written as an empty slot.
struct LineTable {
  Room bytes;                     // room for the table laid to its end, both entries
  size_t metres = 0;              // metres 0 to line_extent
  size_t laid = 0;                // metres laid, from 0
  size_t half = 0;                // bytes of one entry laid to its end: entry 1 starts there
  size_t room = 0;                // bytes of `bytes`, at least 2 * half
  ScritturaLinea* writer = nullptr;  // told of the metres laid, while the file is written as it is laid

  // The table is laid and written in pieces of this many metres: the track
  // line stops at the end of each, so that the writer hears of it.
  static constexpr size_t kPiece = 65536;

  // Sized like a vector of slots: `slots` is twice the number of metres and
  // every slot starts empty (the one value a new slot can hold). Room
  // lacking is taken from the platform.
  void assign(size_t slots, LineValue vuoto, Platform& platform);
  void clear() { metres = laid = half = 0; }  // keeps the room for the next table
  size_t size() const { return 2 * metres; }
  bool empty() const { return metres == 0; }
  // Slot i: entry 0 of metre i, or entry 1 of metre i - metres. i < size().
  LineValue operator[](size_t i) const;

  // Metres the table can lay: all but the last two.
  size_t capacity() const { return metres >= 2 ? metres - 2 : 0; }
  // Lays metres 0 and 1 as 16-bit integers; laid becomes 2.
  void lay_start(int16_t x0, int16_t y0, int16_t x1, int16_t y1);
  // A cursor at the next metre, which lays doubles up to capacity(); one
  // that lays nothing before metres 0 and 1 are laid.
  LineCursor cursor();
  // Takes back a cursor of this table: its metres are laid.
  void close(const LineCursor& c) {
    laid = c.m;
    if (laid == capacity()) empty_tails();
    if (writer != nullptr) annuncia_posa(*writer, laid);
  }
  // Writes the empty tags of the last two metres of both entries, once the
  // table is laid to its end: written earlier, they would be the first
  // bytes of their pages to be touched, and the laying would wait while the
  // system clears those pages before its first point.
  void empty_tails();
  // Point of a laid metre.
  double x(size_t m) const;
  double y(size_t m) const;

  // Offset of a laid metre's slot in its entry: metres 0 and 1 take 4 bytes
  // (tag and 16-bit value), every later one 10 (tag and double).
  static size_t slot(size_t m) { return m < 2 ? 4 * m : 8 + 10 * (m - 2); }
};

// The scenario the installer carries: the base name of its files and its
// train's number.
inline constexpr const char* kNomeScenario = "Ferrovello";
inline constexpr const char* kNumeroTreno = "2632";
// What the run stamps into cell 1 (value1) and kElementoScenario (word1)
// before the competition codes.
inline constexpr int16_t kTimbroCella = 5121;
inline constexpr int16_t kTimbroElemento = 610;

inline constexpr int kItemCount = 87;
inline constexpr int kMountainSlots = 81;
inline constexpr int32_t kMaxRouteLength = 1000000;
inline constexpr int32_t kMaxTrackPoint = 1000000;

// Text lines of one written file: a fixed table closed by the end marker.
inline constexpr int kLineListCapacity = 1001;
inline constexpr const char* kEndMarker = "riferimento fine del file";
using LineList = std::array<std::string, kLineListCapacity>;

// A fault as the author reads it: where it was found and what to change.
struct Diagnosi {
  int32_t codice = 0;
  bool con_posizione = false;
  int32_t posizione = 0;
  std::string luogo;  // "FILE:LINE:COLUMN" of the item, or the cell for the route checks
  std::string frase;  // the rule broken and what to change
  // The script byte it was found at, for the authors' full check: script 0
  // is the line script, 1 the train script, -1 neither (a route check).
  int32_t script = -1;
  size_t offset = 0;
};

struct CompileState;
struct ScriptItems;
struct Pacchetto;

class Form1 {
 public:
  explicit Form1(Platform& p);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  Platform& platform;

  // --- state of the run ---
  std::string scenario_name;
  std::string train_number;
  int32_t write_line_file = 0;
  std::vector<RouteCell> route_cells;  // indices 0 to last_cell; empty until sized
  int32_t last_cell = 0;
  LineTable line_table;  // entry 0 of every metre, then entry 1
  // The line file being written while line_table is laid; null when it is
  // written whole at the end (a platform that does not write pieces at once).
  std::unique_ptr<ScritturaLinea> line_writer;
  int32_t line_extent = 0;
  std::array<ItemRecord, kItemCount> items{};
  std::array<int32_t, kMountainSlots> mountain_start{};
  std::array<int32_t, kMountainSlots> mountain_end{};
  int32_t mountain_count = 0;
  int32_t station_count = 0;  // stations stored by the last compilation
  int32_t error_code = 0;
  int32_t error_position = 0;
  bool error_position_recorded = false;
  std::vector<Diagnosi> diagnoses;  // the first faults found (kRilieviTenuti), in order
  size_t diagnoses_omesse = 0;      // the faults found after those kept
  // Told of every fault found after those kept, which is only counted.
  std::function<void(const Diagnosi&)> diagnosi_non_tenuta;
  // Names under which the two scripts are shown in fault reports; the full
  // file name when empty.
  std::string line_label;
  std::string train_label;
  int32_t loop_index = 0;
  int32_t inner_index = 0;
  std::string line_buffer;
  // The authors' tool writes the binary files even after a recorded fault.
  bool write_despite_faults = false;
  // Files of the scripts' names in the folder may be someone else's: set by
  // the installer's run until it has looked at them, so that no failure
  // before then takes them away.
  bool keep_scripts = false;
  // The authors' full check reads past faults: a faulty line is passed over
  // and the reading goes on (compiler/compile_state.h, leggi_passo). Never
  // set while the line file is written as it is laid.
  bool read_past_faults = false;
  // While reading past faults: the cells as they were before the step being
  // read touched them, so that a faulty step can be undone.
  std::vector<std::pair<int64_t, RouteCell>> cell_journal;

  // --- run sequence (app) ---
  void on_load();
  void memorizza_percorso(int32_t j);
  // The steps of memorizza_percorso, for whatever runs them without the
  // installer's ending (the authors' tool, tests, fuzzing, benchmarks):
  // the faults and the item table reset and the scripts compiled;
  void compila_percorso(int32_t j);
  // the reserved slots tested and stamped and the codes stored: 0, or the
  // fault 1250 or 1251 of a slot already taken (nothing stored after it);
  int32_t timbra_percorso();
  // the line file (when wanted), the item file and the route file written.
  void scrivi_file_binari();
  // The run lock of the folder; the installer's refusal of a folder it
  // cannot write into also says where the program should be.
  void blocca_cartella(bool dall_installatore = false);
  // True for the folder where the installer is installed, never to be run from.
  static bool cartella_installata(std::string_view cartella);
  bool cerca_pacchetto(Pacchetto& p);
  void dati_pacchetto(const Pacchetto& p);
  void proteggi_script(std::string_view linea, std::string_view treno);

  // --- scripts ---
  void dati_linea();
  void dati_treno();
  // The bytes dati_linea and dati_treno write.
  std::string testo_linea_incorporata();
  std::string testo_treno_incorporato();
  void scrivi_lista(const std::string& nome, const LineList& lista);
  std::string nome_file(const std::string& nome);
  std::string nome_script_linea() const { return scenario_name + "_linea.txt"; }
  std::string nome_script_treno() const { return nome_treno() + "-.txt"; }
  // NAME_TRAIN, the base of every file of the train.
  std::string nome_treno() const { return base_treno(scenario_name, train_number); }

  // --- compiler ---
  void memorizza_dati();
  void progressive_ordina();
  void memo_montagna(int32_t inizio, int32_t fine, int32_t tipo);
  void memo_rallentamento(int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta, int32_t d_v);
  void memo_segnale(int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3, int32_t rapp,
                    int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo);
  void memo_indicatori_v_max(int32_t posizione, int32_t vas, int32_t vbs, int32_t vcs, int32_t strisces,
                             int32_t vad, int32_t vbd, int32_t vcd, int32_t strisced);
  void inizia_tracciato(CompileState& s);
  bool posa_curva(CompileState& s, int32_t inizio, int32_t lunghezza, const std::string& parola);
  void chiudi_tracciato(CompileState& s);

  // --- model ---
  void azzera_elementi();
  bool dimensiona_percorso(int32_t lunghezza);
  RouteCell* cella(int64_t indice);  // null outside route_cells
  bool cella_libera(int64_t indice);  // false outside route_cells
  void registra_errore(int32_t codice);
  void registra_errore(int32_t codice, int32_t posizione);
  void diagnostica(Diagnosi d);
  void controlla_percorso();
  int32_t codice_gara_og();
  int32_t codice_gara_st();
  void errore(const std::string& a);
  void segnala_errore_registrato();
  [[noreturn]] void guasto(const std::string& messaggio);
  // Ends the program; a line file still being written is taken away first.
  [[noreturn]] void termina(int32_t stato);
  [[noreturn]] void guasto_file(const std::string& azione, const std::string& percorso, const std::string& perche);
  [[noreturn]] void memoria_esaurita();
  void togli_script();
  template <typename T>
  static T minimo(T x, T y) { return x > y ? y : x; }

  // --- output ---
  std::string nome_file_linea() { return nome_file(scenario_name + "_linea.dat"); }
  // Starts writing the line file while line_table is laid, when the
  // platform writes pieces at once.
  void avvia_file_linea();
  // Stops that writing and takes the unfinished file away.
  void abbandona_file_linea();
  void scrivi_file_linea();
  void scrivi_file_elementi();
  void scrivi_file_percorso();
  void scrivi_file(const std::string& nome, std::string_view bytes);

  // --- documents ---
  void dati_note();
  void dati_rallentamenti();
  void dati_scheda();
};

// Text of a fault number as the user sees it: " Errore n. " and the number.
std::string testo_errore(const std::string& a);

}  // namespace ferrovello
