// The line script: preamble, general section, body of curves, gradients,
// mountains, speed boards and signboards.
#include "compiler/line_script.h"

#include "model/numbers.h"

namespace ferrovello {

namespace {

enum class Lettura { item, fine, guasto };

// Reading step of the general section: one item, then up to ten separators
// skipped without end-of-file tests.
Lettura passo_generale(Form1& f, CompileState& s, Esito& e) {
  if (fine_file(s.script)) return Lettura::fine;
  leggi_testo(s.script, f.line_buffer);
  if (fine_file(s.script)) return Lettura::fine;
  for (int i = 0; i < 10 && contiene(f.line_buffer, "-"); ++i) {
    if ((e = testo(f, s, f.line_buffer)) != Esito::avanti) return Lettura::guasto;
  }
  s.parola = s.script.item_start;
  return Lettura::item;
}

}  // namespace

bool passo_corpo(Form1& f, CompileState& s) {
  for (int i = 0; i < 3; ++i) {
    if (fine_file(s.script)) return false;
    leggi_testo(s.script, f.line_buffer);
    s.parola = s.script.item_start;
    if (fine_file(s.script)) return false;
    if (!contiene(f.line_buffer, "-")) break;
  }
  return true;
}

namespace {

Esito lunghezza(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t l = 0;
  if ((e = numero(f, s, l)) != Esito::avanti) return e;
  f.items[kElementoTreno].value2 = l;
  if (l > kMaxRouteLength) {
    return errore_script(f, s, kErroreLunghezzaPercorso, s.script.item_start,
                         "la lunghezza del percorso " + std::to_string(l) + " m supera il massimo di " +
                             std::to_string(kMaxRouteLength) + " m: accorcia il percorso");
  }
  // A negative length is accepted, unless it leaves the route without cell
  // 1, where the run stamps its codes.
  if (!f.dimensiona_percorso(l)) {
    return fallisci(f, s, "la lunghezza del percorso " + std::to_string(l) + " è negativa");
  }
  return Esito::avanti;
}

Esito progressiva(Form1& f, CompileState& s, ItemRecord& r, ProgressivaLetta& letta) {
  Esito e = Esito::avanti;
  if ((e = numeri(f, s, r.value1, r.value2, r.position)) != Esito::avanti) return e;
  letta = {true, r.value1, r.value2, luogo(s, s.parola)};
  return Esito::avanti;
}

Esito ripetizione(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  ItemRecord& r = f.items[kElementoCorsa];
  size_t da = 0;
  if ((e = numero(f, s, r.value1)) != Esito::avanti) return e;
  da = s.script.item_start;
  if ((e = numero(f, s, r.value2)) != Esito::avanti) return e;
  if (r.value1 % 50 != 0) {
    return errore_script(f, s, kErroreRipetizioneDa, da,
                         "l'inizio della ripetizione dei segnali (" + std::to_string(r.value1) +
                             " m) non è multiplo di 50: usa un multiplo di 50");
  }
  if (r.value2 % 50 != 0) {
    return errore_script(f, s, kErroreRipetizioneA, s.script.item_start,
                         "la fine della ripetizione dei segnali (" + std::to_string(r.value2) +
                             " m) non è multiplo di 50: usa un multiplo di 50");
  }
  if (contiene(f.line_buffer, "4")) {
    r.position = 4;
  } else if (contiene(f.line_buffer, "9")) {
    r.position = 9;
  } else {
    return errore_script(f, s, kErroreRipetizioneCodici, s.parola,
                         "la parola chiave della ripetizione dei segnali non contiene né 4 né 9: scrivi "
                         "\"ripetizione segnali 4 codici\" o \"ripetizione segnali 9 codici\"");
  }
  if (r.value2 == 0) r.position = 0;
  return Esito::avanti;
}

Esito senza_percorso(Form1& f, CompileState& s) {
  return errore_script(f, s, kErroreGuasto, s.fine_generale,
                       "la sezione [generale] non dà la \"lunghezza percorso\": aggiungila");
}

bool fine_sezione(const std::string& item) {
  return !item.empty() && item[0] != '-' && contiene(item, "[") && contiene(item, "]");
}

// One item of the general section, put to every test in turn.
Esito voce_generale(Form1& f, CompileState& s) {
  const std::string& b = f.line_buffer;
  Esito e = Esito::avanti;
  auto prova = [&](bool trovata, auto&& leggi) {
    if (e == Esito::avanti && trovata) e = leggi();
  };
  prova(contiene_ci(b, "lunghezza") && contiene_ci(b, "percorso"), [&] { return lunghezza(f, s); });
  prova(contiene(b, "progressiva") && contiene(b, "tre"), [&] { return progressiva(f, s, f.items[kElementoProgressivaTre], s.progressive[0]); });
  prova(contiene(b, "progressiva") && contiene(b, "due"), [&] { return progressiva(f, s, f.items[kElementoProgressivaDue], s.progressive[1]); });
  prova(contiene(b, "progressiva") && contiene(b, "uno"), [&] { return progressiva(f, s, f.items[kElementoProgressivaUno], s.progressive[2]); });
  prova(contiene(b, "sfondo") && contiene(b, "uno"), [&] { return numero(f, s, f.items[kElementoScenario].value1); });
  prova(contiene(b, "sfondo") && contiene(b, "due"), [&] { return numero(f, s, f.items[kElementoScenario].position); });
  prova(contiene(b, "sfondo") && contiene(b, "tre"), [&] { return numero(f, s, f.items[kElementoScenario].value2); });
  prova(contiene(b, "ripetizione") && contiene(b, "segnali"), [&] { return ripetizione(f, s); });
  return e;
}

uint8_t byte_pendenza(int32_t g) { return lo8(static_cast<int64_t>(g) + 100); }

Esito pendenza(Form1& f, CompileState& s) {
  int32_t g = 0;
  const Esito e = voce_di_riempimento(f, s, s.indice_pendenza, &RouteCell::byte5, byte_pendenza(s.pendenza), g);
  if (e == Esito::avanti) s.pendenza = g;
  return e;
}

Esito curva(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  const std::string parola = f.line_buffer;
  int32_t inizio = 0;
  int32_t lunghezza = 0;
  if ((e = numeri(f, s, inizio, lunghezza)) != Esito::avanti) return e;
  if ((e = controlla_posizione(f, s, inizio, 100)) != Esito::avanti) return e;
  if (!f.posa_curva(s, inizio, lunghezza, parola)) {
    const bool classe = parola.find_first_of("123456") != std::string::npos;
    return errore_script(f, s, kErroreCurva, s.parola,
                         classe ? "la curva porta il tracciato oltre il punto " + std::to_string(kMaxTrackPoint) +
                                      ": accorciala o accorcia il percorso"
                                : "la curva \"" + parola +
                                      "\" non ha una cifra di classe da 1 a 6: scrivi per esempio \"curvad4\"");
  }
  return Esito::avanti;
}

Esito montagna(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t tipo = 0;
  if ((e = numeri(f, s, inizio, fine, tipo)) != Esito::avanti) return e;
  if ((e = controlla_posizione(f, s, inizio, 100)) != Esito::avanti) return e;
  if (f.route_cells.empty() && indice(inizio / 50.0) <= indice(fine / 50.0 - 1) && indice(fine / 50.0 - 1) >= 0) {
    return senza_percorso(f, s);
  }
  if (f.mountain_count >= kMountainSlots - 1) {
    return fallisci(f, s, "troppe righe \"montagna\": al massimo " + std::to_string(kMountainSlots - 1));
  }
  f.memo_montagna(inizio, fine, tipo);
  if (f.error_code == kErroreGuasto) return fallisci(f, s, "l'inizio della montagna dista troppo dalla fine della precedente");
  return Esito::avanti;
}

Esito indicatori(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t v[9] = {};
  for (int32_t& x : v) {
    if ((e = numero(f, s, x)) != Esito::avanti) return e;
  }
  if ((e = controlla_posizione(f, s, v[0], 100)) != Esito::avanti) return e;
  f.memo_indicatori_v_max(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
  if (f.error_code == kErroreGuasto) return fallisci(f, s, "una velocità del cartello non sta in un campo a 16 bit");
  if (errore_di_posa(f)) {
    return errore_script(f, s, f.error_code, s.parola, v[0],
                         "l'indicatore di velocità massima non trova posto: " +
                             cella_occupata(f, indice(v[0] / 50.0 + 1)) + "; spostalo in una cella libera");
  }
  return Esito::avanti;
}

Esito cartello(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t p = 0;
  if ((e = numero(f, s, p)) != Esito::avanti || (e = testo(f, s, f.line_buffer)) != Esito::avanti) return e;
  if ((e = controlla_posizione(f, s, p, 100)) != Esito::avanti) return e;
  RouteCell* c = f.cella(indice(p / 50.0 + 1));
  if (c == nullptr) return Esito::avanti;  // before the start of the route
  if (!f.cella_libera(indice(p / 50.0 + 1))) {
    return errore_script(f, s, kErroreCartello, s.parola, p,
                         "il cartello indicatore non trova posto: " + cella_occupata(f, indice(p / 50.0 + 1)) +
                             "; spostalo in una cella libera");
  }
  if (s.prossimo_cartello <= 0) {
    return errore_script(f, s, kErroreElementiPieni, s.parola, p,
                         "non restano posti per i testi dei cartelli indicatori: al massimo 80, stazioni "
                         "comprese; togli qualche cartello");
  }
  c->kind = kCartello;
  c->value1 = lo16(s.prossimo_cartello);
  f.items[static_cast<size_t>(s.prossimo_cartello)].text = f.line_buffer;
  --s.prossimo_cartello;
  return Esito::avanti;
}

// One keyword item of the body, put to every test in turn.
Esito voce_corpo(Form1& f, CompileState& s) {
  const std::string parola = f.line_buffer;
  Esito e = Esito::avanti;
  auto prova = [&](bool trovata, Esito (*leggi)(Form1&, CompileState&)) {
    if (e == Esito::avanti && trovata) e = leggi(f, s);
  };
  prova(contiene_ci(parola, "pendenza"), pendenza);
  prova(f.write_line_file != 0 && contiene_ci(parola, "curva"), curva);
  prova(contiene_ci(parola, "montagna"), montagna);
  prova(contiene_ci(parola, "indicatori_v"), indicatori);
  prova(contiene_ci(parola, "cartello") && contiene_ci(parola, "indicat"), cartello);
  return e;
}

}  // namespace

Esito leggi_script_linea(Form1& f, CompileState& s, const std::string& percorso) {
  s.percorso = percorso;
  s.etichetta = f.line_label.empty() ? percorso : f.line_label;
  if (!f.platform.exists(percorso)) {
    f.diagnostica({kErroreScriptLinea, false, 0, s.etichetta, "lo script della linea non esiste"});
    return Esito::termina;
  }
  std::string perche;
  if (!f.platform.read_file(percorso, s.script.bytes, perche)) {
    return fallisci(f, s, "impossibile leggere il file: " + perche);
  }
  for (;;) {
    if (fine_file(s.script)) {
      return errore_script(f, s, kErroreGenerale, s.script.pos,
                           "manca la sezione \"[generale]\": scrivila prima della lunghezza del percorso");
    }
    leggi_testo(s.script, f.line_buffer);
    if (fine_file(s.script)) {
      return errore_script(f, s, kErroreGenerale, s.script.item_start,
                           "manca la sezione \"[generale]\" prima dell'ultima voce del file: scrivila prima "
                           "della lunghezza del percorso");
    }
    if (contiene_ci(f.line_buffer, "[generale]")) break;
  }

  Esito e = Esito::avanti;
  for (;;) {
    Lettura l = Lettura::item;
    e = leggi_passo(f, s, [&] {
      Esito letto = Esito::avanti;
      l = passo_generale(f, s, letto);
      return l == Lettura::item ? voce_generale(f, s) : letto;
    });
    if (e == Esito::riprendi) continue;
    if (l == Lettura::guasto) return e;
    if (l == Lettura::fine) break;
    if (e == Esito::termina) return e;
    if (fine_sezione(f.line_buffer)) break;
  }
  // A general section without the route length leaves no route; the
  // reading fails where the route is first used: the start of the track
  // line, a mountain section, or at the latest the gradient end fill.
  s.fine_generale = s.parola;

  f.progressive_ordina();
  f.mountain_count = 0;
  if (f.write_line_file != 0) {
    if (f.route_cells.empty()) return senza_percorso(f, s);
    f.inizia_tracciato(s);
  }

  for (bool letto = true; letto;) {
    e = leggi_passo(f, s, [&] {
      letto = passo_corpo(f, s);
      return letto ? voce_corpo(f, s) : Esito::avanti;
    });
    if (e == Esito::termina) return e;
    if (e == Esito::fine_script) break;
  }

  elimina_script(f, percorso);
  if (f.route_cells.empty()) return senza_percorso(f, s);
  riempi(f, s.indice_pendenza, static_cast<int64_t>(f.last_cell) - 2, &RouteCell::byte5, byte_pendenza(s.pendenza));
  if (f.write_line_file != 0) f.chiudi_tracciato(s);
  return Esito::avanti;
}

}  // namespace ferrovello
