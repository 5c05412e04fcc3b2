"""The shop side of the lab's web service "LumLabService.svc": the catalogue
(printing channels, print and template products with their price steps,
product groups, photo books with their prices, covers, materials,
backgrounds, ranges and page models, design templates, calendar models and
template frames, catalogue and decoration pictures) and the road of an order
(posting print, photo-book and template orders, their status and payment
status, the consumer's order history).

The operations are added to the service of labservice.py, which checks the
SOAP action and the requester and answers the special answers of the tests;
this module answers the operations themselves from its own data set, which
becomes part of the service's data set (reset with it, shown by its "data"
command).

Every posted order is kept under data["orders"][Id]:

    {"Id": 7001, "Numero": "K-0012-007001", "operation": "PasserCommande",
     "order": {member: value, ...},      exactly the members the kiosk sent
     "lignes": [{member: value}, ...],
     "pages": [...]                      (AddOrderAlbum only)
     "status": "CRE", "status_history": ["ECC", "CRE"],
     "payment_status": "EUR" or None}

Values are those of the request: numbers as numbers, Booleans as Booleans,
texts (strings, dates, decimals, enumeration names) as the text sent, records
as objects, arrays as lists. A post that breaks the lab's rules (an Id other
than -1, a status other than "ECC", an order kind that does not match the
operation, another consumer, a line or frame that points nowhere) is refused
with a SOAP fault naming the problem.
"""
import datetime
import struct
import zlib
import xml.etree.ElementTree as ET

import labservice as svc
from labservice import NS_ARRAYS, NS_DC, SoapFault, q

# ------------------------------------------------------------------ records

# Members of the records, in the order the contract writes them. Kinds:
# string, int, long, bool, double, datetime, decimal, base64, enum (a value
# name), record:<XML name>, records:<XML name>, ints (items "int" of the
# arrays namespace), strings (items "string"), enums:<item name> (values in
# the data-contract namespace). A trailing "?" marks a number, Boolean, date
# or decimal that may be nil; strings, pictures, records and arrays always
# may.
ORDER_HEADER = [
    ("AdresseLivraisonId", "int"), ("CmdExpress", "bool"), ("CmdExpressFrais", "double?"),
    ("CmdForImprimanteBorne", "bool"), ("CmdLocale", "bool"), ("CmdLocalePath", "string"),
    ("CmdMainId", "int?"), ("CmdNomConso", "string"), ("CmdNumTelConso", "string"),
    ("CmdPrintDateFormat", "string"), ("CmdTirCalib", "bool"), ("Commentaire", "string"),
    ("ConsommateurEmail", "string"), ("ConsommateurId", "int"), ("ConsommateurNom", "string"),
    ("DateCommande", "datetime"), ("DatePassage", "datetime"), ("FraisCD", "double"), ("FraisDePort", "double"),
    ("FraisDePortPacks", "int"), ("FraisDePriseEnCharge", "double"), ("FraisIndex", "double"), ("Id", "int"),
    ("LivraisonPostale", "bool"), ("Numero", "string"), ("NumeroVersion", "string"), ("Reference", "string"),
    ("SoldePacks", "int"), ("Statut", "string"), ("Type", "enum"),
]

RECORDS = {
    "Commande": ORDER_HEADER,
    "CommandeAlbum": ORDER_HEADER + [
        ("AlbumPU", "double"), ("AlbumPUPageSupplementaire", "double"),
        ("AlbumPages", "records:CommandeAlbumPage"), ("AlbumPhotographeId", "int"), ("AlbumQuantite", "int"),
        ("AlbumQuantitePagesSupplementaires", "int"), ("AlbumTypeTarif", "enum"), ("Channel", "int"),
        ("ChannelCouvertureImprimee", "int"), ("HauteurPage", "int"), ("LargeurPage", "int"),
        ("MargeInfoTechnique", "int"), ("RectoVerso", "bool"), ("StatutAlbum", "enum"),
    ],
    "CommandeTemplate": ORDER_HEADER + [
        ("AnneeDepart", "int"), ("Channel", "int"), ("MoisDepart", "int"),
        ("TemplateCadres", "records:CommandeTemplateCadre"), ("TemplateCalendrierId", "int"),
        ("TemplateHauteur", "int"), ("TemplateLargeur", "int"), ("TemplateVelmoraId", "int"),
        ("TemplatePU", "double"), ("TemplatePictIdRectoHD", "int"), ("TemplatePictIdVersoHD", "int"),
        ("TemplateQuantite", "int"), ("TemplateStatut", "enum"), ("TemplateTypeTarif", "enum"), ("TirageId", "int"),
    ],
    "LigneDeCommande": [
        ("Channel", "int"), ("CoefficientPrix", "decimal"), ("CommandeId", "int"), ("Id", "int"),
        ("Image", "string"), ("ImprimanteBorneId", "int?"), ("NomFichier", "string"), ("Quantite", "int"),
        ("TailleImage", "long"), ("TirageId", "int"), ("UnitePacks", "int"), ("UnitePrix", "double"),
    ],
    "CommandeAlbumPage": [
        ("Cadres", "records:CommandeAlbumCadre"), ("CommandeId", "int"), ("FondAlbumId", "int"), ("Id", "int"),
        ("NumeroPage", "int"),
    ],
    "CommandeAlbumCadre": [
        ("AngleRotation", "double"), ("CmdLignId", "int"), ("CommandeAlbumPageId", "int"),
        ("CouleurLisere", "string"), ("Hauteur", "double"), ("Id", "int"), ("Largeur", "double"),
        ("LargeurLisere", "double"), ("X", "double"), ("Y", "double"), ("ZoneTexte", "bool"),
    ],
    "CommandeTemplateCadre": [
        ("AngleRotation", "double"), ("Background", "bool"), ("CmdLignId", "int"), ("CommandeId", "int"),
        ("CouleurLisere", "string"), ("Hauteur", "double"), ("Id", "int"), ("IdFond", "int"), ("Largeur", "double"),
        ("LargeurLisere", "double"), ("NumeroPage", "int"), ("X", "double"), ("Y", "double"), ("ZoneTexte", "bool"),
    ],
    "HistoConsoCommande": [
        ("ConsommateurId", "int"), ("CoutEnPacks", "int"), ("DateCommande", "datetime"),
        ("FraisDePortEuros", "double"), ("FraisDePortPack", "int"), ("FraisDePriseEnCharge", "double"),
        ("Id", "int"), ("Montant", "double"), ("Numero", "string"), ("Reference", "string"), ("Statut", "enum"),
        ("StatutPaiement", "string"),
    ],
    "Vignette": [("Image", "base64"), ("MD5", "string"), ("Nom", "string"), ("VignetteId", "int")],
    "Channel": [
        ("Id", "int"), ("Largeur", "int"), ("Libelle", "string"), ("Longueur", "int"), ("Marge", "bool"),
        ("NomTechnique", "string"), ("Numero", "int"), ("PhotographeId", "int"), ("TauxCompression", "double"),
        ("TauxReduction", "double"), ("TypePapier", "string"),
    ],
    "Tirage": [
        ("AvecMarges", "bool"), ("Channel", "int"), ("Description", "string"), ("FdpcIgnore", "bool"), ("Id", "int"),
        ("IdImageTirage", "int"), ("IdTirageParent", "int"), ("ImprimanteBorneId", "int?"),
        ("ImprimanteBorneLib", "string"), ("ImprimanteBorneNomWindows", "string"), ("IsFacturerEnPacks", "bool"),
        ("Largeur", "int"), ("Longueur", "int"), ("MasquerCadreRedim", "bool"), ("MasquerFormatTirage", "bool"),
        ("MasquerSurfaceAndBorderTirage", "bool"), ("NomSimple", "string"), ("NomTechnique", "string"),
        ("NumeroGroupeFormat", "int"), ("NumeroGroupePapier", "int"), ("PackQty", "int?"),
        ("PhotographeId", "int"), ("PositionAffichage", "int?"), ("Prefixe", "string"), ("Template", "bool"),
        ("TemplateCalendrierMois", "bool"), ("TemplateHauteur", "int"), ("TemplateLargeur", "int"),
        ("TemplateRectoVerso", "bool"), ("TypeDeTarif", "enum"),
    ],
    "Tarif": [
        ("CoutEnPacks", "int"), ("CoutEnPrix", "double"), ("Id", "int"), ("QuantiteMaximale", "int"),
        ("QuantiteMinimale", "int"), ("TirageId", "int"), ("TypeDeTarif", "enum"),
    ],
    "GroupeProduitPhotographe": [("NumeroRessource", "int"), ("PositionAffichage", "int"), ("Type", "enum")],
    "AlbumPhotographe": [
        ("AlbVrmTexture", "enum"), ("AlbumVelmoraId", "int"), ("AlbumSaisiParPhotographe", "bool"),
        ("CouleurInterieur", "string"), ("CouleurMatiereId", "int"), ("CouleurMatiereIdBack", "int"),
        ("CouleurMatiereVelmora", "string"), ("CouvertureBackCustomizable", "bool"),
        ("CouvertureFrontCustomizable", "bool"), ("CouvertureId", "int"), ("CouvertureImprimee", "bool"),
        ("DescriptionCouvertureVelmora", "string"), ("EpaisseurDos", "int"), ("EpaisseurDosTechnique", "int"),
        ("FamilleFondId", "int"), ("Fournisseur", "string"), ("FournisseurId", "int"), ("HauteurCouverture", "int"),
        ("HauteurPage", "int"), ("HauteurPhoto1erePage", "int"), ("LargeurCouverture", "int"),
        ("LargeurPage", "int"), ("LargeurPhoto1erePage", "int"), ("MargeInfoTechnique", "int"),
        ("NomModeleVelmora", "string"), ("NomReliureVelmora", "string"), ("PhotoEn1erePage", "bool"),
        ("ReliureId", "int"), ("SensPhoto1erePage", "string"), ("XPhoto1erePage", "int"), ("YPhoto1erePage", "int"),
        # The store's product, after the lab model's members.
        ("AlbumPhotographeId", "int"), ("Channel", "int"), ("ChannelCouvertureImprimee", "int"),
        ("CouleurMatierePhotographe", "string"), ("DescriptionAlbumPhotographe", "string"),
        ("DescriptionReliurePhotographe", "string"), ("FdpcIgnore", "bool"), ("GammeFondId", "int"),
        ("NomAlbumPhotographe", "string"), ("NombrePagesMaxi", "int"), ("NombrePagesMini", "int"),
        ("NombrePhotosMaxi", "int"), ("NombrePhotosMini", "int"), ("PhotographeId", "int"),
        ("PositionAffichage", "int?"), ("RectoVerso", "bool"), ("TypeReliurePhotographe", "string"),
        ("TypesDeTarif", "enums:Tarif.TypeTarif"),
    ],
    "PrixAlbum": [
        ("AlbumId", "int"), ("Cout", "double"), ("EstTarifPageSupplementaire", "bool"), ("PrixId", "int"),
        ("QuantiteMaximale", "int"), ("QuantiteMinimale", "int"), ("TypeDeTarif", "enum"),
    ],
    "Couverture": [("Description", "string"), ("Id", "int"), ("Image", "record:Vignette"),
                   ("ImageHD", "record:Vignette")],
    "CouleurMatiere": [("Description", "string"), ("Id", "int"), ("Image", "record:Vignette"),
                       ("ImageCouvHD", "record:Vignette")],
    "FondAlbum": [
        ("Description", "string"), ("FondParDefaut", "bool"), ("Hauteur", "int"), ("Id", "int"),
        ("Image", "record:Vignette"), ("ImageHD", "record:Vignette"), ("Largeur", "int"),
    ],
    "GammeFond": [
        ("Description", "string"), ("FamilleFondId", "int"), ("FondAlbumIds", "ints"), ("Id", "int"),
        ("Image", "record:Vignette"), ("ImageVisuAlbum", "record:Vignette"),
    ],
    "ScrapFrame": [
        ("BorderBottom", "int?"), ("BorderLeft", "int?"), ("BorderRight", "int?"), ("BorderTop", "int?"),
        ("DpiX", "int?"), ("DpiY", "int?"), ("Nom", "string"), ("PictureVisible", "bool"),
    ],
    "VignetteDeco": [("Image", "base64"), ("MD5", "string"), ("Nom", "string")],
    "ZebtemplateVelmora": [
        ("CalendrierMois", "bool"), ("CodeLangue", "string"), ("HauteurPapier", "int"), ("Id", "int"),
        ("LargeurPapier", "int"), ("RectoHDid", "int"), ("RectoSDid", "int"), ("RectoSDmd5", "string"),
        ("TemplateCalendrierIds", "ints"), ("Type", "int"), ("VersoHDid", "int?"), ("VersoSDid", "int?"),
        ("VersoSDmd5", "string"),
    ],
    "TemplateCalendrier": [
        ("CodeLangue", "string"), ("HauteurPapier", "int"), ("Id", "int"),
        ("Images", "records:TemplateCalendrierImage"), ("LargeurPapier", "int"), ("Nom", "string"),
        ("VisuelImage", "record:Vignette"),
    ],
    "TemplateCalendrierImage": [
        ("Annee", "int"), ("Id", "int"), ("Mois", "int"), ("PictIdHD", "record:Vignette"),
        ("PictIdSD", "record:Vignette"),
    ],
}

# Kinds whose absent value WCF writes as nil; the others it writes with the
# type's default value.
NILLABLE_KINDS = ("string", "base64")
DEFAULTS = {"int": 0, "long": 0, "bool": False, "double": 0.0, "datetime": "0001-01-01T00:00:00",
            "decimal": "0"}
# Default of an enumeration member (its first value), by record and member.
ENUM_DEFAULTS = {"Type": "Tirages", "AlbumTypeTarif": "Packs", "StatutAlbum": "NonValidee",
                 "TemplateStatut": "NonValidee", "TemplateTypeTarif": "Packs", "Statut": "Creee",
                 "TypeDeTarif": "Packs", "AlbVrmTexture": "Undef"}


def _nillable(kind):
    return (kind.endswith("?") or kind in NILLABLE_KINDS or kind.startswith("record")
            or kind in ("ints", "strings") or kind.startswith("enums:"))


# A carriage return in a text travels as the character reference "&#xD;",
# as the lab's server writes it (a raw one would be read as a plain line
# feed). The element tree cannot write a reference, so texts carry this
# stand-in until the envelope is turned into bytes.
CR_STAND_IN = "\ue00d"


def _text(kind, value):
    kind = kind.rstrip("?")
    if kind == "string":
        return str(value).replace("\r", CR_STAND_IN)
    if kind == "bool":
        return "true" if value else "false"
    if kind in ("int", "long"):
        return str(int(value))
    if kind == "double":
        return repr(float(value))
    if kind == "base64":
        import base64
        return base64.b64encode(value).decode("ascii")
    return str(value)


def write_record(parent, tag, name, data):
    """A record element with every member of the contract, as the lab's
    server writes them: nil for absent nillable members, the default value
    for the others."""
    if data is None:
        return svc._nil(parent, tag)
    elem = ET.SubElement(parent, tag)
    for member, kind in RECORDS[name]:
        value = data.get(member)
        child = q(NS_DC, member)
        if value is None and _nillable(kind):
            svc._nil(elem, child)
            continue
        if value is None:
            value = ENUM_DEFAULTS.get(member, "Undef") if kind == "enum" else DEFAULTS[kind.rstrip("?")]
        if kind.startswith("record:"):
            write_record(elem, child, kind.split(":", 1)[1], value)
        elif kind.startswith("records:"):
            write_records(elem, child, kind.split(":", 1)[1], value)
        elif kind in ("ints", "strings"):
            lst = ET.SubElement(elem, child)
            for item in value:
                ET.SubElement(lst, q(NS_ARRAYS, kind[:-1])).text = _text(kind[:-1], item)
        elif kind.startswith("enums:"):
            lst = ET.SubElement(elem, child)
            for item in value:
                ET.SubElement(lst, q(NS_DC, kind.split(":", 1)[1])).text = item
        else:
            ET.SubElement(elem, child).text = _text(kind, value)
    return elem


def write_records(parent, tag, name, items):
    if items is None:
        return svc._nil(parent, tag)
    elem = ET.SubElement(parent, tag)
    for item in items:
        write_record(elem, q(NS_DC, name), name, item)
    return elem


def read_value(elem, kind, where):
    kind = kind.rstrip("?")
    text = (elem.text or "")
    if len(elem):
        raise SoapFault("Client", "%s holds elements where a value is expected" % where)
    try:
        if kind in ("int", "long"):
            return int(text.strip())
        if kind == "bool":
            if text.strip() not in ("true", "false", "1", "0"):
                raise ValueError(text)
            return text.strip() in ("true", "1")
        if kind == "double":
            return float(text.strip())
    except ValueError:
        raise SoapFault("Client", "The value '%s' of %s is not a valid %s" % (text, where, kind))
    return text


def read_record(elem, name, where=None):
    """The members a request carries, member -> value (None for nil).
    Unknown members and members outside the data-contract namespace are
    refused: a strict lab tells the kiosk's mistakes."""
    where = where or name
    if elem is None or svc.is_nil(elem):
        return None
    kinds = dict(RECORDS[name])
    out = {}
    for child in elem:
        member = svc.local(child.tag)
        path = "%s/%s" % (where, member)
        if not child.tag.startswith("{%s}" % NS_DC):
            raise SoapFault("Client", "The member %s is not in the data-contract namespace" % path)
        if member not in kinds:
            raise SoapFault("Client", "The record %s has no member %s" % (name, member))
        if member in out:
            raise SoapFault("Client", "The member %s is given twice" % path)
        kind = kinds[member]
        if svc.is_nil(child):
            out[member] = None
        elif kind.startswith("record:"):
            out[member] = read_record(child, kind.split(":", 1)[1], path)
        elif kind.startswith("records:"):
            out[member] = read_items(child, kind.split(":", 1)[1], path)
        elif kind in ("ints", "strings"):
            out[member] = [read_value(i, "int" if kind == "ints" else "string", path) for i in child]
        elif kind.startswith("enums:"):
            out[member] = [(i.text or "").strip() for i in child]
        elif kind == "enum":
            out[member] = (child.text or "").strip()
        else:
            out[member] = read_value(child, kind, path)
    return out


def read_items(elem, name, where):
    if elem is None or svc.is_nil(elem):
        return None
    items = []
    for i, child in enumerate(elem):
        if child.tag != q(NS_DC, name):
            raise SoapFault("Client", "%s holds %s where items %s are expected" % (where, child.tag, name))
        items.append(read_record(child, name, "%s[%d]" % (where, i)))
    return items


def record_result(operation, name, value):
    return svc.op_result(operation, lambda r, tag: write_record(r, tag, name, value))


def records_result(operation, name, items):
    return svc.op_result(operation, lambda r, tag: write_records(r, tag, name, items))


def array_result(operation, item_ns, item_name, values):
    def fill(r, tag):
        lst = ET.SubElement(r, tag)
        for v in values:
            ET.SubElement(lst, q(item_ns, item_name)).text = v
    return svc.op_result(operation, fill)


def key_values_result(operation, pairs):
    def fill(r, tag):
        lst = ET.SubElement(r, tag)
        for key, value in pairs:
            kv = ET.SubElement(lst, q(NS_ARRAYS, "KeyValueOfstringstring"))
            ET.SubElement(kv, q(NS_ARRAYS, "Key")).text = key
            ET.SubElement(kv, q(NS_ARRAYS, "Value")).text = value
    return svc.op_result(operation, fill)


def ints_param(wrapper, name):
    e = svc.param(wrapper, name)
    if e is None or svc.is_nil(e):
        return []
    out = []
    for child in e:
        if child.tag != q(NS_ARRAYS, "int"):
            raise SoapFault("Client", "Parameter %s holds %s where items int are expected" % (name, child.tag))
        out.append(read_value(child, "int", name))
    return out


def strings_param(wrapper, name):
    e = svc.param(wrapper, name)
    if e is None or svc.is_nil(e):
        return []
    return [child.text or "" for child in e]


def bool_param(wrapper, name):
    e = svc.param(wrapper, name)
    if e is None:
        raise SoapFault("Client", "Parameter %s is missing" % name)
    return read_value(e, "bool", name)


# ------------------------------------------------------------------ pictures

def png(width, height, rgb):
    """A small PNG picture of one colour."""
    row = b"\x00" + bytes(rgb) * width
    raw = row * height

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def md5(data):
    import hashlib
    return hashlib.md5(data).hexdigest()


# ------------------------------------------------------------------ data set

def shop_data():
    """The store's catalogue and order history: a small photo shop with four
    print sizes on two papers, a kiosk printer, two photo books, a monthly
    and an annual calendar, a greeting card and a designer print. The
    monthly calendar's design has month pictures from 2025 to the current
    year, so that a kiosk always finds a full year it may still sell."""
    pictures = {}

    def picture(vid, name, rgb, w=16, h=12):
        pictures[vid] = {"Image": png(w, h, rgb), "Nom": name, "VignetteId": vid}
        return vid

    def ref(vid):
        """A picture record without its bytes, as catalogue records carry
        them when pictures are not asked for."""
        p = pictures[vid]
        return {"Image": None, "MD5": md5(p["Image"]), "Nom": p["Nom"], "VignetteId": vid}

    for vid, name, rgb in ((3001, "cover_hard.jpg", (40, 40, 40)), (3002, "cover_soft.jpg", (200, 200, 190)),
                           (3011, "linen_blue.jpg", (31, 78, 155)), (3012, "leather_red.jpg", (140, 20, 30)),
                           (3101, "bg_sea_1.jpg", (90, 160, 210)), (3102, "bg_sea_2.jpg", (70, 140, 200)),
                           (3103, "bg_sand.jpg", (231, 211, 168)), (3104, "bg_sea_sq.jpg", (80, 150, 205)),
                           (3201, "tpl_cal_front_sd.jpg", (250, 250, 240)),
                           (3202, "tpl_card_front_sd.jpg", (200, 30, 60)),
                           (3203, "tpl_card_back_sd.jpg", (240, 220, 220)),
                           (3204, "tpl_poster_sd.jpg", (20, 20, 20)), (3301, "calgrid_preview.jpg", (255, 255, 255))):
        picture(vid, name, rgb)
    grid_years = range(2025, max(2025, datetime.date.today().year) + 1)
    for i, year in enumerate(grid_years):
        for month in range(1, 13):
            picture(3400 + 200 * i + month, "grid_%d_%02d_sd.jpg" % (year, month), (255, 255 - month * 10, 255))
            picture(3500 + 200 * i + month, "grid_%d_%02d_hd.jpg" % (year, month), (255, 255 - month * 10, 255),
                    32, 24)
    picture(3205, "tpl_year_sd.jpg", (240, 240, 250))

    def print_product(pid, width_cm, length_cm, paper, channel, position, **extra):
        p = {"AvecMarges": False, "Channel": channel, "Description": None, "FdpcIgnore": False, "Id": pid,
             "IdImageTirage": 0, "IdTirageParent": 0, "ImprimanteBorneId": 0, "ImprimanteBorneLib": None,
             "ImprimanteBorneNomWindows": None, "IsFacturerEnPacks": False, "Largeur": width_cm,
             "Longueur": length_cm, "MasquerCadreRedim": False, "MasquerFormatTirage": False,
             "MasquerSurfaceAndBorderTirage": False, "NomSimple": "%dx%d" % (width_cm, length_cm),
             "NomTechnique": "P%03d" % pid, "NumeroGroupeFormat": 1 if max(width_cm, length_cm) <= 18 else 2,
             "NumeroGroupePapier": paper, "PackQty": None, "PhotographeId": 12, "PositionAffichage": position,
             "Prefixe": None, "Template": False, "TemplateCalendrierMois": False, "TemplateHauteur": 0,
             "TemplateLargeur": 0, "TemplateRectoVerso": False, "TypeDeTarif": "EurosMagasin"}
        p.update(extra)
        return p

    def template_product(pid, width_mm, height_mm, channel, position, **extra):
        return print_product(pid, width_mm // 10, height_mm // 10, 1, channel, position, Template=True,
                             TemplateLargeur=width_mm, TemplateHauteur=height_mm, NumeroGroupeFormat=0, **extra)

    def steps(tid, first_id, money_steps, pack_cost):
        out = []
        for i, (low, high, price) in enumerate(money_steps):
            out.append({"CoutEnPacks": 0, "CoutEnPrix": price, "Id": first_id + i, "QuantiteMaximale": high,
                        "QuantiteMinimale": low, "TirageId": tid, "TypeDeTarif": "EurosMagasin"})
        out.append({"CoutEnPacks": pack_cost, "CoutEnPrix": 0.0, "Id": first_id + len(money_steps),
                    "QuantiteMaximale": 9999, "QuantiteMinimale": 1, "TirageId": tid, "TypeDeTarif": "Packs"})
        return out

    tariffs = (steps(101, 1000, [(1, 49, 0.25), (50, 99, 0.2), (100, 9999, 0.15)], 1)
               + steps(102, 1010, [(1, 49, 0.29), (50, 9999, 0.22)], 1)
               + steps(103, 1020, [(1, 9999, 0.45)], 2)
               + steps(104, 1030, [(1, 9, 3.5), (10, 9999, 2.9)], 6)
               + steps(105, 1040, [(1, 9999, 0.35)], 1)
               + steps(106, 1050, [(1, 9999, 4.9)], 5)
               + steps(120, 1100, [(1, 4, 19.9), (5, 9999, 16.9)], 30)
               + steps(121, 1110, [(1, 9999, 2.5)], 3)
               + steps(122, 1120, [(1, 9999, 24.0)], 40)
               + steps(123, 1130, [(1, 9999, 14.5)], 15))

    def book(aid, width, height, name, cover, material, family, range_id, mini, maxi, recto_verso, printed):
        return {"AlbVrmTexture": "Rigide" if printed else "Souple", "AlbumVelmoraId": aid + 500,
                "AlbumSaisiParPhotographe": False, "CouleurInterieur": "FFFFFF", "CouleurMatiereId": material,
                "CouleurMatiereIdBack": 0, "CouleurMatiereVelmora": None, "CouvertureBackCustomizable": False,
                "CouvertureFrontCustomizable": True, "CouvertureId": cover, "CouvertureImprimee": printed,
                "DescriptionCouvertureVelmora": None, "EpaisseurDos": 8, "EpaisseurDosTechnique": 9,
                "FamilleFondId": family, "Fournisseur": "Bindery One", "FournisseurId": 3,
                "HauteurCouverture": height + 6, "HauteurPage": height, "HauteurPhoto1erePage": 0,
                "LargeurCouverture": width + 6, "LargeurPage": width, "LargeurPhoto1erePage": 0,
                "MargeInfoTechnique": 5, "NomModeleVelmora": "Model %d" % aid, "NomReliureVelmora": "Glued",
                "PhotoEn1erePage": False, "ReliureId": 1, "SensPhoto1erePage": None, "XPhoto1erePage": 0,
                "YPhoto1erePage": 0,
                "AlbumPhotographeId": aid, "Channel": 7, "ChannelCouvertureImprimee": 8 if printed else 0,
                "CouleurMatierePhotographe": None, "DescriptionAlbumPhotographe": None,
                "DescriptionReliurePhotographe": None, "FdpcIgnore": False, "GammeFondId": range_id,
                "NomAlbumPhotographe": name, "NombrePagesMaxi": maxi, "NombrePagesMini": mini,
                "NombrePhotosMaxi": 400, "NombrePhotosMini": 1, "PhotographeId": 12, "PositionAffichage": None,
                "RectoVerso": recto_verso, "TypeReliurePhotographe": None,
                "TypesDeTarif": ["EurosMagasin", "Packs"]}

    months = [{"Annee": year, "Id": 6100 + 200 * i + m, "Mois": m, "PictIdHD": ref(3500 + 200 * i + m),
               "PictIdSD": ref(3400 + 200 * i + m)}
              for i, year in enumerate(grid_years) for m in range(1, 13)]

    return {
        "channels": [
            {"Id": 1, "Largeur": 102, "Libelle": "Minilab 10-13", "Longueur": 152, "Marge": False,
             "NomTechnique": "ML1", "Numero": 1, "PhotographeId": 12, "TauxCompression": 92.0,
             "TauxReduction": 80.0, "TypePapier": "Lustre"},
            {"Id": 2, "Largeur": 203, "Libelle": "Minilab 20-30", "Longueur": 305, "Marge": False,
             "NomTechnique": "ML2", "Numero": 2, "PhotographeId": 12, "TauxCompression": 90.0,
             "TauxReduction": 75.0, "TypePapier": "Glossy"},
            {"Id": 3, "Largeur": 102, "Libelle": "Minilab matte", "Longueur": 152, "Marge": True,
             "NomTechnique": "ML3", "Numero": 3, "PhotographeId": 12, "TauxCompression": 92.0,
             "TauxReduction": 80.0, "TypePapier": "Matte"},
            {"Id": 4, "Largeur": 210, "Libelle": "Press cards", "Longueur": 297, "Marge": False,
             "NomTechnique": "PR4", "Numero": 4, "PhotographeId": 12, "TauxCompression": 95.0,
             "TauxReduction": 100.0, "TypePapier": "Silk 300g"},
            {"Id": 7, "Largeur": 305, "Libelle": "Book pages", "Longueur": 457, "Marge": False,
             "NomTechnique": "BK7", "Numero": 7, "PhotographeId": 12, "TauxCompression": 95.0,
             "TauxReduction": 100.0, "TypePapier": "Book"},
            {"Id": 8, "Largeur": 330, "Libelle": "Book covers", "Longueur": 483, "Marge": False,
             "NomTechnique": "BK8", "Numero": 8, "PhotographeId": 12, "TauxCompression": 95.0,
             "TauxReduction": 100.0, "TypePapier": "Cover"},
        ],
        "prints": [
            print_product(101, 10, 15, 1, 1, 1),
            print_product(102, 15, 10, 2, 3, 2),
            print_product(103, 13, 18, 1, 1, 3, AvecMarges=True),
            print_product(104, 20, 30, 1, 2, 4, Prefixe="Poster\r\nlarge"),
            print_product(105, 10, 15, 1, 0, 5, ImprimanteBorneId=3, ImprimanteBorneLib="DS620 in shop",
                          ImprimanteBorneNomWindows="DNP DS620"),
            print_product(106, 10, 15, 2, 1, 6, PackQty=4, Prefixe="ID photos", MasquerFormatTirage=True),
        ],
        "templates": [
            template_product(120, 210, 297, 4, 1, TemplateCalendrierMois=True),
            template_product(121, 148, 105, 4, 2, TemplateRectoVerso=True),
            template_product(122, 300, 200, 2, 3),
            template_product(123, 297, 420, 2, 4),
        ],
        "tariffs": tariffs,
        "product_groups": [
            {"NumeroRessource": 1, "PositionAffichage": 1, "Type": "Tirages_Format"},
            {"NumeroRessource": 2, "PositionAffichage": 2, "Type": "Tirages_Format"},
            {"NumeroRessource": 1, "PositionAffichage": 1, "Type": "Tirages_TypePapier"},
            {"NumeroRessource": 2, "PositionAffichage": 2, "Type": "Tirages_TypePapier"},
        ],
        "albums": [
            book(55, 297, 210, "Landscape A4 hard cover", 11, 21, 5, 41, 20, 60, True, True),
            book(56, 200, 200, "Square soft cover", 12, 22, 6, 42, 24, 24, False, False),
        ],
        "album_prices": [
            {"AlbumId": 55, "Cout": 29.9, "EstTarifPageSupplementaire": False, "PrixId": 2001,
             "QuantiteMaximale": 9999, "QuantiteMinimale": 1, "TypeDeTarif": "EurosMagasin"},
            {"AlbumId": 55, "Cout": 0.9, "EstTarifPageSupplementaire": True, "PrixId": 2002,
             "QuantiteMaximale": 9999, "QuantiteMinimale": 1, "TypeDeTarif": "EurosMagasin"},
            {"AlbumId": 55, "Cout": 40.0, "EstTarifPageSupplementaire": False, "PrixId": 2003,
             "QuantiteMaximale": 9999, "QuantiteMinimale": 1, "TypeDeTarif": "Packs"},
            {"AlbumId": 56, "Cout": 19.5, "EstTarifPageSupplementaire": False, "PrixId": 2004,
             "QuantiteMaximale": 4, "QuantiteMinimale": 1, "TypeDeTarif": "EurosMagasin"},
            {"AlbumId": 56, "Cout": 17.5, "EstTarifPageSupplementaire": False, "PrixId": 2005,
             "QuantiteMaximale": 9999, "QuantiteMinimale": 5, "TypeDeTarif": "EurosMagasin"},
            {"AlbumId": 56, "Cout": 2.6, "EstTarifPageSupplementaire": False, "PrixId": 2006,
             "QuantiteMaximale": 9999, "QuantiteMinimale": 1, "TypeDeTarif": "Packs"},
        ],
        "covers": [
            {"Description": "Hard cover", "Id": 11, "Image": ref(3001), "ImageHD": None},
            {"Description": "Soft cover", "Id": 12, "Image": ref(3002), "ImageHD": None},
        ],
        "materials": [
            {"Description": "Blue linen", "Id": 21, "Image": ref(3011), "ImageCouvHD": None},
            {"Description": "Red leather", "Id": 22, "Image": ref(3012), "ImageCouvHD": None},
        ],
        # Backgrounds by family and book size.
        "backgrounds": [
            {"Description": "Sea 1", "FondParDefaut": True, "Hauteur": 210, "Id": 310, "Image": ref(3101),
             "ImageHD": None, "Largeur": 297, "FamilleFondId": 5},
            {"Description": "Sea 2", "FondParDefaut": False, "Hauteur": 210, "Id": 311, "Image": ref(3102),
             "ImageHD": None, "Largeur": 297, "FamilleFondId": 5},
            {"Description": "Sand", "FondParDefaut": False, "Hauteur": 210, "Id": 312, "Image": ref(3103),
             "ImageHD": None, "Largeur": 297, "FamilleFondId": 5},
            {"Description": "Sea square", "FondParDefaut": True, "Hauteur": 200, "Id": 320, "Image": ref(3104),
             "ImageHD": None, "Largeur": 200, "FamilleFondId": 6},
        ],
        "ranges": [
            {"Description": "Seaside", "FamilleFondId": 5, "FondAlbumIds": [310, 311], "Id": 41, "Image": None,
             "ImageVisuAlbum": None},
            {"Description": "Beach", "FamilleFondId": 5, "FondAlbumIds": [312], "Id": 43, "Image": None,
             "ImageVisuAlbum": None},
            {"Description": "Seaside square", "FamilleFondId": 6, "FondAlbumIds": [320], "Id": 42, "Image": None,
             "ImageVisuAlbum": None},
        ],
        # Page models by book size, in the page-model text form.
        "page_models": {
            "297x210": ["0;1|20;20;257;170", "0;2|10;20;133;170#154;20;133;170", "2;1|10;10;90;190#110;10;90;190#"
                        "200;40;90;130"],
            "200x200": ["1;0|20;20;160;160", "2;2|10;10;85;85#105;10;85;85#10;105;85;85#105;105;85;85"],
        },
        "design_templates": [
            {"CalendrierMois": True, "CodeLangue": None, "HauteurPapier": 297, "Id": 900, "LargeurPapier": 210,
             "RectoHDid": 9301, "RectoSDid": 3201, "RectoSDmd5": md5(pictures[3201]["Image"]),
             "TemplateCalendrierIds": [61], "Type": 1, "VersoHDid": 0, "VersoSDid": 0, "VersoSDmd5": None},
            {"CalendrierMois": False, "CodeLangue": "FR", "HauteurPapier": 148, "Id": 901, "LargeurPapier": 105,
             "RectoHDid": 9302, "RectoSDid": 3202, "RectoSDmd5": md5(pictures[3202]["Image"]),
             "TemplateCalendrierIds": [], "Type": 2, "VersoHDid": 9303, "VersoSDid": 3203,
             "VersoSDmd5": md5(pictures[3203]["Image"])},
            {"CalendrierMois": False, "CodeLangue": "", "HauteurPapier": 200, "Id": 902, "LargeurPapier": 300,
             "RectoHDid": 9304, "RectoSDid": 3204, "RectoSDmd5": md5(pictures[3204]["Image"]),
             "TemplateCalendrierIds": [], "Type": 101, "VersoHDid": None, "VersoSDid": None, "VersoSDmd5": None},
            {"CalendrierMois": False, "CodeLangue": "", "HauteurPapier": 420, "Id": 903, "LargeurPapier": 297,
             "RectoHDid": 9305, "RectoSDid": 3205, "RectoSDmd5": md5(pictures[3205]["Image"]),
             "TemplateCalendrierIds": [], "Type": 1, "VersoHDid": None, "VersoSDid": None, "VersoSDmd5": None},
        ],
        "calendars": [
            {"CodeLangue": "xx", "HauteurPapier": 297, "Id": 61, "Images": months, "LargeurPapier": 210,
             "Nom": "Classic grid", "VisuelImage": ref(3301)},
        ],
        # Frame texts by (theme request, smaller side, larger side).
        "template_frames": {
            "-2/210/297": ["900|1;10;10;190;140;0;0#2;10;150;190;137;1;0"],
            "2/105/148": ["901|1;8;8;89;132;0;0#1;20;100;65;20;0;-5.5"],
            "101/200/300": ["902|1;0;0;300;200;1;0#1;25;25;250;150;0;0"],
            "-3/297/420": ["903|1;0;0;297;420;1;0#1;20;20;257;250;0;0"],
        },
        "scrap_frames": [
            {"BorderBottom": 40, "BorderLeft": 30, "BorderRight": 30, "BorderTop": 40, "DpiX": 300, "DpiY": 300,
             "Nom": "polaroid.png", "PictureVisible": False},
            {"BorderBottom": 12, "BorderLeft": 12, "BorderRight": 12, "BorderTop": 12, "DpiX": 0, "DpiY": None,
             "Nom": "stars.png", "PictureVisible": True},
        ],
        "decorations": {
            "polaroid.png": png(24, 28, (250, 250, 250)),
            "stars.png": png(20, 20, (255, 215, 0)),
            "heart.png": png(16, 16, (220, 20, 60)),
        },
        "pictures": pictures,
        "next_order_id": 7001,
        "orders": {},
        # Past orders of the consumer account, as the lab lists them.
        "history": [
            {"ConsommateurId": 345, "CoutEnPacks": 0, "DateCommande": "2024-01-15T11:20:00",
             "FraisDePortEuros": 0.0, "FraisDePortPack": 0, "FraisDePriseEnCharge": 1.25, "Id": 6001,
             "Montant": 13.75, "Numero": "K-0012-006001", "Reference": "Birthday", "Statut": "TirageFini",
             "StatutPaiement": "EUR"},
            {"ConsommateurId": 345, "CoutEnPacks": 0, "DateCommande": "2023-12-02T16:05:00",
             "FraisDePortEuros": 4.5, "FraisDePortPack": 0, "FraisDePriseEnCharge": 1.25, "Id": 5990,
             "Montant": 35.65, "Numero": "K-0012-005990", "Reference": None, "Statut": "Annulee",
             "StatutPaiement": None},
        ],
    }


# ------------------------------------------------------------------ orders

# Lab status codes of an order and the state its history shows.
HISTORY_STATES = {"ECC": "Creee", "CRE": "Creee", "REC": "Recue", "TDB": "TirageDebute", "TFI": "TirageFini",
                  "ANN": "Annulee"}
ORDER_KINDS = {"PasserCommande": ("Commande", "Tirages"), "AddOrderAlbum": ("CommandeAlbum", "Albums"),
               "AddOrderTemplate": ("CommandeTemplate", "Templates")}


def find(items, key, value):
    for item in items:
        if item.get(key) == value:
            return item
    return None


def unit_cost(data, tirage_id, quantity, tarif):
    """The price of one print of a product at a quantity, from its steps of
    the consumer's kind of price: money, or packs."""
    product = find(data["prints"] + data["templates"], "Id", tirage_id)
    if product and (product.get("PackQty") or 0) > 1:
        quantity = -(-quantity // product["PackQty"])
    for step in data["tariffs"]:
        if (step["TirageId"] == tirage_id and step["TypeDeTarif"] == tarif
                and step["QuantiteMinimale"] <= quantity <= step["QuantiteMaximale"]):
            return quantity, step["CoutEnPacks"] if tarif == "Packs" else step["CoutEnPrix"]
    return quantity, 0


def order_cost(data, kind, order, lines, tarif):
    """What the order costs the consumer: money or packs."""
    total = 0
    if kind == "Commande":
        for line in lines:
            if line.get("TirageId"):
                units, cost = unit_cost(data, line["TirageId"], line.get("Quantite") or 0, tarif)
                total += units * cost
    elif kind == "CommandeAlbum":
        quantity = order.get("AlbumQuantite") or 0
        for step in data["album_prices"]:
            if (step["AlbumId"] == order.get("AlbumPhotographeId") and step["TypeDeTarif"] == tarif
                    and not step["EstTarifPageSupplementaire"]
                    and step["QuantiteMinimale"] <= quantity <= step["QuantiteMaximale"]):
                total += quantity * (round(step["Cout"]) if tarif == "Packs" else step["Cout"])
    else:
        quantity = order.get("TemplateQuantite") or 0
        units, cost = unit_cost(data, order.get("TirageId"), quantity, tarif)
        total += units * cost
    if tarif == "Packs":
        return int(total) + (order.get("FraisDePortPacks") or 0)
    fees = sum(order.get(k) or 0 for k in ("FraisDePort", "FraisDePriseEnCharge", "CmdExpressFrais", "FraisCD",
                                           "FraisIndex"))
    return round(total + fees, 4)


def check_order(data, operation, order, lines, pages):
    shop = data["shop"]
    kind, type_name = ORDER_KINDS[operation]
    if order is None:
        raise SoapFault("Client", "%s: the order is missing" % operation)
    if lines is None:
        raise SoapFault("Client", "%s: the order lines are missing" % operation)
    if order.get("Id") != -1:
        raise SoapFault("Client", "%s: a new order must have the Id -1, not %s" % (operation, order.get("Id")))
    if order.get("Statut") != "ECC":
        raise SoapFault("Client", "%s: a new order must have the status ECC, not %s" % (operation, order.get("Statut")))
    if order.get("Type") != type_name:
        raise SoapFault("Client", "%s: the order kind is %s, expected %s" % (operation, order.get("Type"), type_name))
    if order.get("ConsommateurId") != data["consumer"]["Id"]:
        raise SoapFault("Client", "%s: unknown consumer %s" % (operation, order.get("ConsommateurId")))
    if order.get("Numero"):
        raise SoapFault("Client", "%s: the order number is the lab's to give" % operation)
    main = order.get("CmdMainId")
    if main is not None and main not in shop["orders"]:
        raise SoapFault("Client", "%s: CmdMainId %s names no order" % (operation, main))
    address = order.get("AdresseLivraisonId")
    if address is not None and address not in data["addresses"]:
        raise SoapFault("Client", "%s: the delivery address %s does not exist" % (operation, address))
    products = {p["Id"] for p in shop["prints"] + shop["templates"]}
    for i, line in enumerate(lines):
        if line is None:
            raise SoapFault("Client", "%s: line %d is nil" % (operation, i))
        if line.get("Id") != -1 or line.get("CommandeId") != -1:
            raise SoapFault("Client", "%s: line %d must have Id and CommandeId -1" % (operation, i))
        if kind == "Commande" and line.get("TirageId") not in products:
            raise SoapFault("Client", "%s: line %d names the unknown product %s" % (operation, i, line.get("TirageId")))
    frames = []
    if kind == "CommandeAlbum":
        for page in (pages or []) + (order.get("AlbumPages") or []):
            frames += (page or {}).get("Cadres") or []
    elif kind == "CommandeTemplate":
        frames = order.get("TemplateCadres") or []
    for frame in frames:
        if frame and "CmdLignId" in frame and not 0 <= frame["CmdLignId"] < len(lines):
            raise SoapFault("Client", "%s: a frame refers to line %s, the order has %d lines"
                            % (operation, frame["CmdLignId"], len(lines)))


def post_order(operation, wrapper, data):
    kind, _ = ORDER_KINDS[operation]
    order = read_record(svc.param(wrapper, "order"), kind, "order")
    lines = read_items(svc.param(wrapper, "lignes"), "LigneDeCommande", "lignes")
    pages = None
    if operation == "AddOrderAlbum":
        pages = read_items(svc.param(wrapper, "pages"), "CommandeAlbumPage", "pages")
    check_order(data, operation, order, lines, pages)

    shop = data["shop"]
    consumer = data["consumer"]
    tarif = consumer.get("TypeTarif") or "EurosMagasin"
    cost = order_cost(shop, kind, order, lines, tarif)
    if tarif == "Packs":
        if cost > consumer["SoldePacks"]:
            raise SoapFault("Client", "%s: the order costs %d packs, the balance is %d"
                            % (operation, cost, consumer["SoldePacks"]))
        consumer["SoldePacks"] -= cost

    new_id = shop["next_order_id"]
    shop["next_order_id"] += 1
    numero = "K-%04d-%06d" % (data["photographer"]["Id"], new_id)
    shop["orders"][new_id] = {
        "Id": new_id, "Numero": numero, "operation": operation, "kind": kind, "order": order, "lignes": lines,
        "pages": pages, "status": "ECC", "status_history": ["ECC"], "payment_status": None,
        "cost": cost, "tarif": tarif,
    }
    answer = dict(order)
    answer.update({"Id": new_id, "Numero": numero, "SoldePacks": consumer["SoldePacks"]})
    return record_result(operation, kind, answer)


def history_of(data, consumer_id):
    """The consumer's orders, newest first: those posted here, then the
    lab's older ones."""
    out = []
    for entry in sorted(data["orders"].values(), key=lambda e: -e["Id"]):
        order = entry["order"]
        if order.get("ConsommateurId") != consumer_id:
            continue
        packs = entry["tarif"] == "Packs"
        out.append({
            "ConsommateurId": consumer_id, "CoutEnPacks": entry["cost"] if packs else 0,
            "DateCommande": order.get("DateCommande"), "FraisDePortEuros": order.get("FraisDePort") or 0.0,
            "FraisDePortPack": order.get("FraisDePortPacks") or 0,
            "FraisDePriseEnCharge": order.get("FraisDePriseEnCharge") or 0.0, "Id": entry["Id"],
            "Montant": 0.0 if packs else entry["cost"], "Numero": entry["Numero"],
            "Reference": order.get("Reference"), "Statut": HISTORY_STATES.get(entry["status"], "Creee"),
            "StatutPaiement": entry["payment_status"],
        })
    out += [h for h in data["history"] if h["ConsommateurId"] == consumer_id]
    return out


# --------------------------------------------------------------- operations

def handle_shop_operation(operation, wrapper, data):
    """The reply envelope of one shop operation, or None when the operation
    is not one of them."""
    shop = data["shop"]
    photographer = data["photographer"]["Id"]
    consumer = data["consumer"]["Id"]
    if operation == "GetChannels":
        ok = svc.int_param(wrapper, "photographeId") == photographer
        return records_result(operation, "Channel", shop["channels"] if ok else [])
    if operation in ("GetConsumerPrints", "GetConsumerTemplates"):
        ok = svc.int_param(wrapper, "consommateurId") == consumer
        items = shop["prints" if operation == "GetConsumerPrints" else "templates"]
        return records_result(operation, "Tirage", items if ok else [])
    if operation == "GetPrintsTarifs":
        ids = ints_param(wrapper, "tirageIds")
        return records_result(operation, "Tarif", [t for t in shop["tariffs"] if t["TirageId"] in ids])
    if operation == "GetPhotographerProductGroups":
        pid = svc.int_param(wrapper, "photId")
        e = svc.param(wrapper, "typeGrp")
        kind = (e.text or "").strip() if e is not None else ""
        valid = ("Undef", "Tirages_Format", "Tirages_TypePapier", "Template_Format", "Template_TypePapier")
        if kind not in valid:
            raise SoapFault("Client", "The value '%s' of typeGrp is not a GroupeProduitPhotographe.TypeGroupe" % kind)
        items = [g for g in shop["product_groups"] if g["Type"] == kind] if pid == photographer else []
        return records_result(operation, "GroupeProduitPhotographe", items)
    if operation == "GetZebtemplatesVelmoraBase":
        return records_result(operation, "ZebtemplateVelmora", shop["design_templates"])
    if operation == "GetTemplatesCalendrier":
        return records_result(operation, "TemplateCalendrier", shop["calendars"])
    if operation == "GetZebtemplatesVelmoraFrames":
        theme = svc.int_param(wrapper, "themeId")
        w, h = svc.int_param(wrapper, "tplWidth"), svc.int_param(wrapper, "tplHeight")
        frames = shop["template_frames"].get("%d/%d/%d" % (theme, min(w, h), max(w, h)), [])
        return array_result(operation, NS_ARRAYS, "string", frames)
    if operation == "GetConsumerAlbums":
        ok = svc.int_param(wrapper, "consommateurId") == consumer
        return records_result(operation, "AlbumPhotographe", shop["albums"] if ok else [])
    if operation == "GetPhotographerAlbumsTarifs":
        ok = svc.int_param(wrapper, "photographeId") == photographer
        return records_result(operation, "PrixAlbum", shop["album_prices"] if ok else [])
    if operation in ("GetCouverturesParListe", "GetCouleurMatieresParListe"):
        covers = operation == "GetCouverturesParListe"
        ids = ints_param(wrapper, "listeCouverturesId" if covers else "listeCouleurMatieresId")
        with_images = bool_param(wrapper, "chargementImages")
        items = [with_picture_bytes(shop, i, with_images) for i in shop["covers" if covers else "materials"]
                 if i["Id"] in ids]
        return records_result(operation, "Couverture" if covers else "CouleurMatiere", items)
    if operation == "GetFondsAlbumParFamille":
        family = svc.int_param(wrapper, "familleFondId")
        w, h = svc.int_param(wrapper, "largeur"), svc.int_param(wrapper, "hauteur")
        with_images = bool_param(wrapper, "chargementImage")
        items = [with_picture_bytes(shop, b, with_images) for b in shop["backgrounds"]
                 if b["FamilleFondId"] == family and b["Largeur"] == w and b["Hauteur"] == h]
        return records_result(operation, "FondAlbum", items)
    if operation == "GetZebModelesPage":
        w, h = svc.int_param(wrapper, "largeur"), svc.int_param(wrapper, "hauteur")
        return array_result(operation, NS_ARRAYS, "string", shop["page_models"].get("%dx%d" % (w, h), []))
    if operation == "GetZebGammeFonds":
        return records_result(operation, "GammeFond", shop["ranges"])
    if operation == "GetVignette":
        p = shop["pictures"].get(svc.int_param(wrapper, "vignetteId"))
        value = dict(p, MD5=md5(p["Image"])) if p else None
        return record_result(operation, "Vignette", value)
    if operation == "GetVignetteDeco":
        name = svc.str_param(wrapper, "imagetteNom") or ""
        data_bytes = shop["decorations"].get(name)
        value = {"Image": data_bytes, "MD5": md5(data_bytes), "Nom": name} if data_bytes is not None else None
        return record_result(operation, "VignetteDeco", value)
    if operation == "GetVignettesDecoMD5":
        names = strings_param(wrapper, "listeImagetteNoms")
        pairs = [(n, md5(b)) for n, b in sorted(shop["decorations"].items()) if not names or n in names]
        return key_values_result(operation, pairs)
    if operation == "GetScrapFrames":
        return records_result(operation, "ScrapFrame", shop["scrap_frames"])
    if operation in ORDER_KINDS:
        return post_order(operation, wrapper, data)
    if operation in ("ModifyOrderStatus", "ModifyOrderPaymentStatus"):
        oid = svc.int_param(wrapper, "id")
        status = svc.str_param(wrapper, "status")
        entry = shop["orders"].get(oid)
        if entry is None or not status:
            return svc.scalar_result(operation, "bool", False)
        if operation == "ModifyOrderStatus":
            entry["status"] = status
            entry["status_history"].append(status)
        else:
            entry["payment_status"] = status
        return svc.scalar_result(operation, "bool", True)
    if operation == "GetConsumerLastOrders":
        cid = svc.int_param(wrapper, "consId")
        count = svc.int_param(wrapper, "nbCmds")
        return records_result(operation, "HistoConsoCommande", history_of(shop, cid)[:max(0, count)])
    return None


def with_picture_bytes(shop, record, with_images):
    """A catalogue record whose picture members carry their bytes only when
    the caller asked for pictures."""
    out = dict(record)
    for key, value in record.items():
        if isinstance(value, dict) and "VignetteId" in value:
            picture = dict(value)
            if with_images:
                picture["Image"] = shop["pictures"][value["VignetteId"]]["Image"]
            out[key] = picture
    return out


# Shapes of the results, for the special answers of labservice.py.
RESULTS = {
    "GetChannels": ("records", "Channel"), "GetConsumerPrints": ("records", "Tirage"),
    "GetConsumerTemplates": ("records", "Tirage"), "GetPrintsTarifs": ("records", "Tarif"),
    "GetPhotographerProductGroups": ("records", "GroupeProduitPhotographe"),
    "GetZebtemplatesVelmoraBase": ("records", "ZebtemplateVelmora"),
    "GetTemplatesCalendrier": ("records", "TemplateCalendrier"), "GetZebtemplatesVelmoraFrames": ("records",),
    "GetConsumerAlbums": ("records", "AlbumPhotographe"), "GetPhotographerAlbumsTarifs": ("records", "PrixAlbum"),
    "GetCouverturesParListe": ("records", "Couverture"), "GetCouleurMatieresParListe": ("records", "CouleurMatiere"),
    "GetFondsAlbumParFamille": ("records", "FondAlbum"), "GetZebModelesPage": ("records",),
    "GetZebGammeFonds": ("records", "GammeFond"), "GetVignette": ("record", "Vignette"),
    "GetVignetteDeco": ("record", "VignetteDeco"), "GetVignettesDecoMD5": ("records",),
    "GetScrapFrames": ("records", "ScrapFrame"), "PasserCommande": ("record", "Commande"),
    "AddOrderAlbum": ("record", "CommandeAlbum"), "AddOrderTemplate": ("record", "CommandeTemplate"),
    "ModifyOrderStatus": ("bool",), "ModifyOrderPaymentStatus": ("bool",),
    "GetConsumerLastOrders": ("records", "HistoConsoCommande"),
}


def install():
    """Adds the shop operations and the shop's data to the service of
    labservice.py."""
    base_handle = svc.handle_operation
    base_initial = svc.initial_data

    def handle_operation(operation, wrapper, data):
        reply = handle_shop_operation(operation, wrapper, data)
        return reply if reply is not None else base_handle(operation, wrapper, data)

    def initial_data():
        data = base_initial()
        data["shop"] = shop_data()
        return data

    base_to_bytes = svc.to_bytes

    def to_bytes(env):
        return base_to_bytes(env).replace(CR_STAND_IN.encode("utf-8"), b"&#xD;")

    svc.handle_operation = handle_operation
    svc.initial_data = initial_data
    svc.to_bytes = to_bytes
    svc.RESULTS.update(RESULTS)
    for name, members in RECORDS.items():
        svc.RECORDS.setdefault(name, members)
    with svc.STATE.lock:
        svc.STATE.data["shop"] = shop_data()


install()
