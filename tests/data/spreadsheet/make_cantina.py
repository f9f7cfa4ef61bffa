#!/usr/bin/env python3
"""Writes cantina.fods, a shop's spreadsheet of 300 wines as an Italian user keeps it in LibreOffice
Calc (decimal commas, thousands points, accented names, day/month/year dates, an empty markup here and
there), and cantina_attesa.tsv, the values each card must hold once imported, as the cellar stores them.

    python3 make_cantina.py
    LC_ALL=it_IT.UTF-8 soffice --headless --convert-to csv:"Text - txt - csv (StarCalc)":59,34,76 cantina.fods

The second command writes cantina.csv the way Calc does (semicolons, UTF-8, numbers as shown)."""
import datetime
import random
from xml.sax.saxutils import escape

rng = random.Random(300)
names = ["Barolo", "Barbaresco", "Brunello di Montalcino", "Nero d'Avola", "Côtes du Rhône",
         "Müller-Thurgau", "Gewürztraminer", "Verdicchio dei Castelli di Jesi", "Passito di Pantelleria",
         "Lacryma Christi", "Cirò Rosso", "Frappato", "Vino Nobile di Montepulciano", "Cannonau",
         "Ribolla Gialla", "Schioppettino", "Sagrantino", "Aglianico del Vulture", "Greco di Tufo",
         "Rosé «Chiaretto»", "Crémant d'Alsace", "Château Lafleur", "Rioja Crianza", "Grüner Veltliner"]
producers = ["Cantina Sociale Né", "Azienda Agricola Fratelli Pérez", "Tenuta dell'Ornellaia",
             "Château Margaux", "Weingut Müller", "Bodegas Señorío", "Cascina Fontanà", "Fattoria Sant'Anna"]
grapes = ["Nebbiolo", "Sangiovese", "Nero d'Avola", "Garganega", "Glera", "Merlot, Cabernet Sauvignon",
          "Aglianico", "Vermentino", "Moscato bianco"]
regions = ["Piemonte", "Toscana", "Sicilia", "Veneto", "Friuli-Venezia Giulia", "Valle d'Aosta",
           "Trentino-Alto Adige", "Rhône", "Alsace", "La Rioja"]
types = ["Rosso", "Bianco", "Rosato", "Spumante", "Passito"]
sizes = ["0,375 l", "0,75 l", "1,5 l", "3 l"]

columns = ["Codice", "Descrizione", "Vitigno", "Annata", "Gradazione", "Produttore", "Regione",
           "Tipologia", "Contenitore", "Posizione", "Quantità", "Prezzo d'acquisto", "Ricarico",
           "Da bere entro", "Carta dei vini", "Annotazioni"]
stored = ["Codice", "Descrizione", "Composizione", "Anno", "Gradi", "Produttore", "Regione",
          "Tipologia", "Capacita", "Collocazione", "Quantita", "Prezzo_Acq", "Ricarico", "Scadenza",
          "Incarta", "Note"]


def number(v):
    return ("%.10g" % v) if v is not None else ""


rows = []
for i in range(300):
    code = "%013d" % rng.randrange(10**12) if i % 3 else "A%03d" % i
    name = rng.choice(names) + (" Riserva" if i % 7 == 0 else "")
    year = rng.randrange(1985, 2024)
    degrees = rng.choice(["12", "12,5", "13", "13,5", "14", "14,5", "15"])
    qty = rng.randrange(0, 241) if i % 11 else 0
    price = round(rng.uniform(4, 90), 2) if i % 50 else round(rng.uniform(1000, 2500), 2)
    markup = None if i % 9 == 0 else round(rng.choice([1.5, 1.8, 2, 2.25, 2.5, 3]), 2)
    drink = datetime.date(year + rng.randrange(3, 30), rng.randrange(1, 13), rng.randrange(1, 29))
    listed = i % 4 != 0
    note = ["", "Ottimo con la selvaggina; servire a 18 °C", "Da decantare \"almeno\" un'ora",
            "Regalo – cliente Rossi", "=HYPERLINK(\"http://esempio.it\")"][i % 5]
    rows.append(dict(code=code, name=name, grape=rng.choice(grapes), year=year, degrees=degrees,
                     producer=rng.choice(producers), region=rng.choice(regions), type=rng.choice(types),
                     size=rng.choice(sizes), place="S%02d-%d" % (rng.randrange(1, 40), rng.randrange(1, 9)),
                     qty=qty, price=price, markup=markup, drink=drink, listed=listed, note=note))


def text_cell(t):
    return '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % escape(t)


def float_cell(v, style):
    if v is None:
        return '<table:table-cell/>'
    return ('<table:table-cell table:style-name="%s" office:value-type="float" office:value="%r">'
            '</table:table-cell>' % (style, v))


def date_cell(d):
    return ('<table:table-cell table:style-name="data" office:value-type="date" office:date-value="%s">'
            '</table:table-cell>' % d.isoformat())


body = ["<table:table-row>" + "".join(text_cell(c) for c in columns) + "</table:table-row>"]
for r in rows:
    cells = [text_cell(r["code"]), text_cell(r["name"]), text_cell(r["grape"]), float_cell(r["year"], "intero"),
             text_cell(r["degrees"]), text_cell(r["producer"]), text_cell(r["region"]), text_cell(r["type"]),
             text_cell(r["size"]), text_cell(r["place"]), float_cell(r["qty"], "intero"),
             float_cell(r["price"], "euro"), float_cell(r["markup"], "decimale"), date_cell(r["drink"]),
             text_cell("sì" if r["listed"] else "no"), text_cell(r["note"]) if r["note"] else "<table:table-cell/>"]
    body.append("<table:table-row>" + "".join(cells) + "</table:table-row>")

document = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:styles>
 <style:default-style style:family="table-cell"><style:text-properties fo:language="it" fo:country="IT"/></style:default-style>
</office:styles>
<office:automatic-styles>
 <number:number-style style:name="N0" number:language="it" number:country="IT"><number:number number:decimal-places="0" number:min-integer-digits="1"/></number:number-style>
 <number:number-style style:name="N2" number:language="it" number:country="IT"><number:number number:decimal-places="2" number:min-integer-digits="1" number:grouping="true"/></number:number-style>
 <number:number-style style:name="N1" number:language="it" number:country="IT"><number:number number:decimal-places="2" number:min-decimal-places="0" number:min-integer-digits="1"/></number:number-style>
 <number:date-style style:name="D1" number:language="it" number:country="IT"><number:day number:style="long"/><number:text>/</number:text><number:month number:style="long"/><number:text>/</number:text><number:year number:style="long"/></number:date-style>
 <style:style style:name="intero" style:family="table-cell" style:data-style-name="N0"/>
 <style:style style:name="euro" style:family="table-cell" style:data-style-name="N2"/>
 <style:style style:name="decimale" style:family="table-cell" style:data-style-name="N1"/>
 <style:style style:name="data" style:family="table-cell" style:data-style-name="D1"/>
</office:automatic-styles>
<office:body><office:spreadsheet><table:table table:name="Cantina">
%s
</table:table></office:spreadsheet></office:body></office:document>
""" % "\n".join(body)

with open("cantina.fods", "w", encoding="utf-8") as f:
    f.write(document)

with open("cantina_attesa.tsv", "w", encoding="utf-8") as f:
    f.write("\t".join(stored) + "\n")
    for r in rows:
        values = [r["code"], r["name"], r["grape"], str(r["year"]), r["degrees"], r["producer"], r["region"],
                  r["type"], r["size"], r["place"], number(r["qty"]), number(r["price"]),
                  number(r["markup"] if r["markup"] is not None else 1.8),
                  r["drink"].isoformat() + " 00:00:00", "1" if r["listed"] else "0", r["note"]]
        f.write("\t".join(values) + "\n")
