#include "tools/lsp/keyword_docs.h"

#include <map>

namespace ferrovello {

std::string descrizione_parola(const std::string& nome) {
  static const std::map<std::string, std::string> tabella = {
      {"lunghezza percorso", "La lunghezza del percorso in metri (al massimo 1000000)."},
      {"progressiva chilometrica uno", "Il primo sistema progressivo chilometrico: da dove vale, lo scostamento e il verso (1 = decrescente)."},
      {"progressiva chilometrica due", "Il secondo sistema progressivo chilometrico."},
      {"progressiva chilometrica tre", "Il terzo sistema progressivo chilometrico."},
      {"sfondo uno", "Impostazione dello sfondo uno, passata al simulatore così com'è."},
      {"sfondo due", "Impostazione dello sfondo due, passata al simulatore così com'è."},
      {"sfondo tre", "Impostazione dello sfondo tre, passata al simulatore così com'è."},
      {"ripetizione segnali 4 codici", "Il tratto con ripetizione dei segnali (4 o 9 codici), da e a in multipli di 50 m; a 0: nessuna ripetizione."},
      {"pendenza", "La pendenza in per mille che vale da questa posizione alla pendenza seguente."},
      {"curvad4", "Una curva: inizio e lunghezza in metri; la parola dice il lato (s o d) e la classe (da 1 a 6)."},
      {"montagna", "Un tratto di montagna: inizio, fine e tipo."},
      {"indicatori_vmax", "Gli indicatori di velocità massima a sinistra e a destra."},
      {"cartello_indicatore", "Un cartello indicatore: la posizione e il testo, come \"(Fiume )(TANARO)\"."},
      {"percentuale massa frenata", "La percentuale di massa frenata del treno."},
      {"numero vetture", "Il numero delle vetture del treno."},
      {"velocita", "La velocità massima del treno da questa posizione alla velocità seguente."},
      {"aderenza", "L'aderenza da questa posizione all'aderenza seguente."},
      {"orologio", "L'ora dell'orologio all'inizio della corsa."},
      {"sabbia", "La sabbia del treno."},
      {"segnale", "Un segnale: la posizione, gli aspetti a sinistra e a destra e il tempo."},
      {"rallentamento", "Un rallentamento: la posizione, la velocità, la lunghezza e i suoi indicatori."},
      {"abbattimento", "Un punto di abbattimento: la posizione e il valore."},
      {"stazione", "Una stazione: la posizione, il tipo, la lunghezza, gli attributi, la sosta, l'orario di partenza e il nome."},
  };
  const auto it = tabella.find(nome);
  return it == tabella.end() ? std::string() : it->second;
}

std::string unita_campo(const std::string& campo) {
  static const std::map<std::string, std::string> tabella = {
      {"posizione", "m"}, {"inizio", "m"}, {"fine", "m"}, {"lunghezza", "m"}, {"x", "m"}, {"l", "m"},
      {"da", "m"}, {"a", "m"}, {"scostamento", "m"}, {"pendenza", "‰"}, {"velocita", "km/h"}, {"v", "km/h"},
      {"percentuale", "%"}, {"ore", "h"}, {"minuti", "min"}, {"secondi", "s"}, {"sosta", "s"},
  };
  const auto it = tabella.find(campo);
  return it == tabella.end() ? std::string() : it->second;
}

bool campo_di_posizione(const std::string& campo) {
  return campo == "posizione" || campo == "inizio" || campo == "fine" || campo == "x" || campo == "da" ||
         campo == "a";
}

std::string campo_ammesso(const CampoChiave& c) {
  if (c.testo) return "un testo senza virgole";
  if (c.bit == 8) return "da 0 a 255";
  if (c.bit == 16) return "da -32768 a 32767";
  return "da -2147483648 a 2147483647";
}

std::vector<ItemRiga> items_di_riga(const std::string& riga) {
  std::vector<ItemRiga> items;
  size_t da = 0;
  for (;;) {
    size_t a = riga.find(',', da);
    const bool ultimo = a == std::string::npos;
    if (ultimo) a = riga.size();
    size_t i = da;
    size_t f = a;
    while (i < f && (riga[i] == ' ' || riga[i] == '\t')) ++i;
    while (f > i && (riga[f - 1] == ' ' || riga[f - 1] == '\t')) --f;
    items.push_back({i, f, riga.substr(i, f - i)});
    if (ultimo) break;
    da = a + 1;
  }
  return items;
}

size_t item_a_colonna(const std::string& riga, size_t colonna) {
  size_t n = 0;
  for (size_t i = 0; i < colonna && i < riga.size(); ++i) n += riga[i] == ',';
  return n;
}

}  // namespace ferrovello
