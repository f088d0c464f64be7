#include "output/line_file_writer.h"

#include "output/encoding.h"

namespace ferrovello {

namespace {

// Hands the metres from `da` to `a` (not included) of both entries to the
// platform; `a` at the end of the table takes the empty tails too.
bool scrivi_tratto(ScritturaLinea& s, size_t da, size_t a) {
  const size_t inizio = LineTable::slot(da);
  const size_t fine = a >= s.table.metres ? s.table.half : LineTable::slot(a);
  for (const size_t entry : {size_t{0}, s.table.half}) {
    const std::string_view bytes(s.table.bytes.get() + entry + inizio, fine - inizio);
    if (!s.platform.write_piece(s.file, entry + inizio, bytes, s.reason)) {
      s.failed = true;
      return false;
    }
  }
  return true;
}

}  // namespace

void annuncia_posa(ScritturaLinea& s, size_t laid) {
  while (!s.failed && laid >= s.written + LineTable::kPiece) {
    if (scrivi_tratto(s, s.written, s.written + LineTable::kPiece)) s.written += LineTable::kPiece;
  }
}

// Form1 owns the writer of its line file: made and ended here, where the
// writer is known whole.
Form1::Form1(Platform& p) : platform(p) {}

Form1::~Form1() { abbandona_file_linea(); }

void Form1::avvia_file_linea() {
  abbandona_file_linea();
  // A short table is written whole at once: no piece would be ready before
  // the end.
  if (!platform.writes_pieces() || line_table.capacity() < LineTable::kPiece) return;
  line_writer = std::make_unique<ScritturaLinea>(platform, line_table);
  ScritturaLinea& s = *line_writer;
  // A temporary file that cannot be made is said when the file is written,
  // in its turn, as any other failure to write it.
  if (!platform.open_pieces(nome_file_linea(), s.file, s.reason)) {
    s.failed = true;
    return;
  }
  line_table.writer = &s;
}

void Form1::abbandona_file_linea() {
  if (line_writer == nullptr) return;
  line_table.writer = nullptr;
  if (line_writer->file.handle != -1) platform.abandon_pieces(line_writer->file);
  line_writer.reset();
}

// The pieces not yet handed over and the empty tails, then the file put in
// place. A table cut short (a compilation that stopped early) has its
// entries closer together in the file than they were laid: its file is
// written whole instead.
void Form1::scrivi_file_linea() {
  const std::string percorso = nome_file_linea();
  if (line_writer != nullptr) {
    ScritturaLinea& s = *line_writer;
    line_table.writer = nullptr;
    if (s.failed) {
      const std::string perche = s.reason;
      abbandona_file_linea();
      guasto_file("scrivere", percorso, perche);
    }
    if (line_table.laid == line_table.capacity()) {
      std::string perche;
      const bool ok = scrivi_tratto(s, s.written, line_table.metres) && platform.commit_pieces(s.file, perche);
      if (!ok) {
        if (s.failed) perche = s.reason;
        abbandona_file_linea();
        guasto_file("scrivere", percorso, perche);
      }
      line_writer.reset();
      return;
    }
    abbandona_file_linea();
  }
  std::string riserva;
  scrivi_file(scenario_name + "_linea.dat", codifica_linea(line_table, riserva));
}

}  // namespace ferrovello
