"""The lab's SOAP web service "LumLabService.svc" (SOAP 1.1, wrapped
document/literal, WCF conventions).

Every request is a POST whose SOAPAction header is the service namespace,
"ILumLabService/" and the operation's name, in double quotes; its body is an
envelope whose body element is named after the operation and holds the
parameters, the requester record "demandeur" first. The simulator checks the
action, the Content-Type and the requester (login, wrapped password, profile
"Consommateur"), answers from its own data set (a store, its kiosk account,
addresses, a currency, two languages) and journals each call with the
operation, the requester check and the kind of answer.

Refusals are SOAP faults with status 500, as the lab's server gives them: an
unknown operation, a wrong SOAPAction, a requester that is missing or whose
credentials are wrong, a request that is not an envelope.

Test control: POST /__labservice with one JSON object:

    {"cmd": "answer", "answer": KIND, "operation": OP, "times": N}
        the next calls of OP ("*" or absent: any operation; N times, default
        once) get a special answer instead of the normal one. KIND:
          "fault"          status 500 with a SOAP fault
          "malformed"      status 200, the normal envelope cut in the middle
          "not_xml"        status 200, text/xml content that is no XML
          "no_result"      status 200, the response element without result
          "wrong_type"     status 200, a result with a value of the wrong type
          "nil"            status 200, the result element nil
          "other_operation" status 200, the response of another operation
          "html"           status 200, Content-Type text/html, an HTML page
          "plain"          status 200, Content-Type text/plain
          "empty"          status 200, text/xml, no body
    {"cmd": "clear"}                 drops the pending special answers
    {"cmd": "reset"}                 restores the data set
    {"cmd": "credentials", "login": L, "password": P}
                                     the requester the service accepts
    {"cmd": "data"}                  -> the current data set (JSON)
    {"cmd": "set", "record": R, "values": {member: value}}
                                     changes members of one top-level record
                                     of the data set ("zebconsumer",
                                     "consumer", "photographer"), e.g. a
                                     last-update stamp or the kiosk letter
                                     (a one-character text is stored as its
                                     number); null removes the value

The journal of the simulator names the operation of every call (its
"operation" entry), so a test sees which catalogue parts the kiosk fetched.
"""
import base64
import copy
import hashlib
import json
import threading
import xml.etree.ElementTree as ET

from common import Reply

PAGE = "/LumLabService.svc"
CONTROL = "/__labservice"

NS_ENV = "http://schemas.xmlsoap.org/soap/envelope/"
NS_SERVICE = "http://tempuri.org/"
NS_DC = "http://schemas.datacontract.org/2004/07/Velmora.Data"
NS_ARRAYS = "http://schemas.microsoft.com/2003/10/Serialization/Arrays"
NS_XSI = "http://www.w3.org/2001/XMLSchema-instance"

ACTION_PREFIX = NS_SERVICE + "ILumLabService/"

for _prefix, _ns in (("s", NS_ENV), ("a", NS_DC), ("b", NS_ARRAYS), ("i", NS_XSI)):
    ET.register_namespace(_prefix, _ns)

# Members of the records, in the order the contract writes them. Types:
# string, int, bool, double, char (a number), datetime, decimal, base64,
# enum, record:<XML name>, records:<XML name> (array of records),
# strings (array of "string" items in the arrays namespace).
RECORDS = {
    "Demandeur": [("CodeLangue", "string"), ("Login", "string"), ("Password", "string"),
                  ("TypeDemandeur", "enum"), ("Version", "string")],
    "Adresse": [("BoitePostale", "string"), ("CodePostal", "string"), ("ComplementAdresse1", "string"),
                ("ComplementAdresse2", "string"), ("Id", "int"), ("Identite", "string"), ("Libelle", "string"),
                ("Pays", "string"), ("Rue", "string"), ("Telephone", "string"), ("Type", "string"),
                ("Ville", "string")],
    "Monnaie": [("Code", "string"), ("Decimals", "int"), ("Id", "int"), ("IsoCodeNum", "string"),
                ("Libelle", "string"), ("PaypalOk", "bool"), ("Symbole", "string"), ("SymboleAgauche", "bool")],
    "Vignette": [("Image", "base64"), ("MD5", "string"), ("Nom", "string"), ("VignetteId", "int")],
    "ConditionsKioskUse": [("ConditionsEnabled", "bool"), ("ConditionsText", "string")],
    "FrontPrintDateTime": [("DateOrderFormat", "string"), ("FrontPrint", "bool"),
                           ("ImgWithDate", "record:Vignette"), ("ImgWithDateTime", "record:Vignette"),
                           ("ImgWithoutDate", "record:Vignette")],
    "Zebconsumer": [("BorneIP", "string"), ("BorneModeCommunication", "char"), ("HasBook", "bool"),
                    ("HasCalendar", "bool"), ("HasCard", "bool"), ("HasPhotoProduct", "bool"),
                    ("HasPrint", "bool"), ("Id", "int"), ("Keyboard", "int"), ("LastUpdateBook", "datetime"),
                    ("LastUpdateCalendar", "datetime"), ("LastUpdateConsumer", "datetime"),
                    ("LastUpdateTemplate", "datetime"), ("Message", "string"), ("PhotographeId", "int"),
                    ("PrivacyPolicyConsumerDate", "datetime"), ("PrivacyPolicyModifDate", "datetime"),
                    ("PrivacyPolicyUrl", "string"), ("ShopName", "string")],
    "Consommateur": [("AdresseCouranteId", "int"), ("AdresseFacturationId", "int"), ("BorneIP", "string"),
                     ("BorneModeCommunication", "char"), ("Civilite", "int"), ("ComiteEntrepriseId", "int"),
                     ("CompteActif", "bool"), ("CompteComiteEntreprise", "bool"), ("Email", "string"),
                     ("Id", "int"), ("Keyboard", "int"), ("KioskDelayReset", "int"), ("KioskQtyReceipts", "int"),
                     ("LastUpdateBook", "datetime"), ("LastUpdateCalendar", "datetime"),
                     ("LastUpdateConsumer", "datetime"), ("LastUpdateTemplate", "datetime"), ("Login", "string"),
                     ("Nom", "string"), ("Numero", "string"), ("Password", "string"), ("PhotographeId", "int"),
                     ("Prenom", "string"), ("PrivacyPolicyAcceptDate", "datetime"), ("SoldePacks", "int"),
                     ("TypeCons", "char"), ("TypeTarif", "enum")],
    "Photographe": [("AccountStatus", "enum"), ("AdresseMagasinId", "int"), ("CDburnOnKiosk", "bool"),
                    ("Commentaire", "string"), ("CompteActif", "bool"), ("DateCreation", "datetime"),
                    ("Email", "string"), ("ExpressOn", "bool"), ("FacebookAppID", "string"),
                    ("FacebookAppSecret", "string"), ("FraisDePortEnPacks", "int"), ("FraisDePortEnPrix", "double"),
                    ("FraisDePriseEnCharge", "double"), ("FraisPriseEnChargeEurosMagasin", "bool"),
                    ("FrontPrintDateFormat", "string"), ("FrontPrintWithDateMD5", "string"),
                    ("FrontPrintWithDateTimeMD5", "string"), ("FrontPrintWithoutDateMD5", "string"), ("Id", "int"),
                    ("ImpressionBordereauAuto", "bool"), ("KioskLimit", "int"), ("KioskOrderNaming", "int"),
                    ("Login", "string"), ("LoginFtp", "string"), ("LoginFtpForUpdate", "string"),
                    ("LoginPayPalAPI", "string"), ("MargeSecu", "int"), ("MontantPalierDeLaCommande", "double"),
                    ("NbBornesActives", "int"), ("NombreFeuillesParCm", "double"), ("Numero", "string"),
                    ("OptionAssistantCDDisponible", "bool"), ("OptionPaiementEnLigneDisponible", "bool"),
                    ("Password", "string"), ("PasswordForImprimanteBorne", "string"), ("PasswordFtp", "string"),
                    ("PasswordFtpForUpdate", "string"), ("PasswordPayPalAPI", "string"),
                    ("PaymentParam1", "string"), ("PaymentParam2", "string"), ("PaymentParam3", "string"),
                    ("PhotDevise", "string"), ("PhotMonnaie", "record:Monnaie"), ("PhotTireuseType", "enum"),
                    ("PolitiqueConfidentialiteDateMaj", "datetime"), ("PolitiqueConfidentialiteUrl", "string"),
                    ("PrixCd", "double"), ("PrixExpress", "double"), ("PrixIndex", "double"),
                    ("ProtoFtp", "string"), ("ProtoFtpForUpdate", "string"), ("RaisonSociale", "string"),
                    ("ResolutionDpi", "int"), ("RetourDesCommandesParPoste", "bool"),
                    ("RetourDesCommandesParPosteObligatoire", "bool"), ("ZebfeaturesDisabled", "strings"),
                    ("VyrmodulesEnabled", "strings"), ("ServeurFtp", "string"), ("ServeurFtpForUpdate", "string"),
                    ("ServeurFtpOrHttp", "string"), ("SignaturePayPalAPI", "string"),
                    ("TempsAttenteFusionCommandesAlbumSec", "int"),
                    ("TempsAttenteRafraichissementDiagnosticsSec", "int"),
                    ("TempsAttenteRafraichissementHistoriqueCommandesSec", "int"),
                    ("TempsAttenteRapatriementCommandesSec", "int"),
                    ("TempsAttenteSurveillanceCommandesTireuseSec", "int"), ("TpsAttenteUpdateCheckSec", "int"),
                    ("TypeOnlinePaymentMode", "string"), ("TypePaiementADistance", "enum")],
    "LangChoice": [("DisplayName", "string"), ("IsoCode", "string")],
    "Translation": [("InitialString", "string"), ("TranslatedString", "string")],
    "LangDico": [("IsoCode", "string"), ("LastUpdate", "datetime"), ("Translations", "records:Translation")],
}

LOGO = b"\x89PNG\r\n\x1a\n" + bytes(range(32))
PRICE_LIST = b"%PDF-1.4 price list of the demo shop\n"


def initial_data():
    return {
        "login": "kiosk-demo",
        "password": "secret",
        "next_address_id": 600,
        "photographer": {
            "AccountStatus": "enabled", "AdresseMagasinId": 501, "CDburnOnKiosk": True, "Commentaire": None,
            "CompteActif": True, "DateCreation": "2019-04-02T10:15:00", "Email": "shop@example.invalid",
            "ExpressOn": False, "FacebookAppID": None, "FacebookAppSecret": None, "FraisDePortEnPacks": 2,
            "FraisDePortEnPrix": 4.5, "FraisDePriseEnCharge": 1.25, "FraisPriseEnChargeEurosMagasin": False,
            "FrontPrintDateFormat": None, "Id": 12, "ImpressionBordereauAuto": True, "KioskLimit": None,
            "KioskOrderNaming": 1, "Login": "demo-shop", "LoginFtp": "ftpuser", "MargeSecu": 3,
            "MontantPalierDeLaCommande": 50.0, "NbBornesActives": 1, "NombreFeuillesParCm": 8.5,
            "Numero": "S-0012", "OptionAssistantCDDisponible": False, "OptionPaiementEnLigneDisponible": True,
            "PasswordForImprimanteBorne": "*", "PhotDevise": "EUR",
            "PhotMonnaie": {"Code": "EUR", "Decimals": 2, "Id": 1, "IsoCodeNum": "978", "Libelle": "Euro",
                            "PaypalOk": True, "Symbole": "\u20ac", "SymboleAgauche": False},
            "PhotTireuseType": "Epson", "PolitiqueConfidentialiteDateMaj": "2023-11-20T08:00:00",
            "PolitiqueConfidentialiteUrl": "https://shop.example.invalid/privacy", "PrixCd": 9.9,
            "PrixExpress": None, "PrixIndex": 0.5, "ProtoFtp": "HTTP", "RaisonSociale": "Demo Photo & Co <Lab>",
            "ResolutionDpi": 300, "RetourDesCommandesParPoste": True, "RetourDesCommandesParPosteObligatoire": False,
            "ZebfeaturesDisabled": ["Facebook"], "VyrmodulesEnabled": [],
            "ServeurFtpOrHttp": "127.0.0.1", "TempsAttenteFusionCommandesAlbumSec": 30,
            "TpsAttenteUpdateCheckSec": 3600, "TypeOnlinePaymentMode": None, "TypePaiementADistance": "PAYPAL",
        },
        "zebconsumer": {
            "BorneIP": "127.0.0.1", "BorneModeCommunication": ord("I"), "HasBook": True, "HasCalendar": True,
            "HasCard": False, "HasPhotoProduct": True, "HasPrint": True, "Id": 345, "Keyboard": 0,
            "LastUpdateBook": "2024-02-01T12:00:00", "LastUpdateCalendar": "2024-02-02T12:00:00",
            "LastUpdateConsumer": "2024-02-03T12:00:00", "LastUpdateTemplate": "2024-02-04T12:00:00",
            "Message": "Welcome to the demo shop!", "PhotographeId": 12, "PrivacyPolicyConsumerDate": None,
            "PrivacyPolicyModifDate": "2023-11-20T08:00:00",
            "PrivacyPolicyUrl": "https://shop.example.invalid/privacy", "ShopName": "Demo Photo",
        },
        "consumer": {
            "AdresseCouranteId": 502, "AdresseFacturationId": 503, "BorneIP": "127.0.0.1",
            "BorneModeCommunication": ord("I"), "Civilite": 0, "ComiteEntrepriseId": 0, "CompteActif": True,
            "CompteComiteEntreprise": False, "Email": "kiosk@example.invalid", "Id": 345, "Keyboard": 0,
            "KioskDelayReset": 180, "KioskQtyReceipts": 2, "LastUpdateBook": "2024-02-01T12:00:00",
            "LastUpdateCalendar": "2024-02-02T12:00:00", "LastUpdateConsumer": "2024-02-03T12:00:00",
            "LastUpdateTemplate": "2024-02-04T12:00:00", "Login": "kiosk-demo", "Nom": "Kiosk",
            "Numero": "C-345", "Password": None, "PhotographeId": 12, "Prenom": "Demo",
            "PrivacyPolicyAcceptDate": None, "SoldePacks": 40, "TypeCons": ord("B"), "TypeTarif": "EurosMagasin",
        },
        "addresses": {
            501: {"CodePostal": "75001", "Id": 501, "Identite": "Demo Photo", "Pays": "France",
                  "Rue": "1 rue de la Paix", "Telephone": "0102030405", "Type": "MAG", "Ville": "Paris"},
            502: {"CodePostal": "69001", "Id": 502, "Identite": "Demo Kiosk", "Pays": "France",
                  "Rue": "2 place Bellecour", "Type": "DOM", "Ville": "Lyon"},
            503: {"CodePostal": "69002", "Id": 503, "Identite": "Demo Kiosk", "Pays": "France",
                  "Rue": "3 quai Perrache", "Type": "FAC", "Ville": "Lyon"},
            504: {"CodePostal": "13001", "ComplementAdresse1": "Bat. B", "Id": 504, "Identite": "M. Martin",
                  "Pays": "France", "Rue": "4 la Canebi\u00e8re", "Type": "LIVR", "Ville": "Marseille"},
        },
        "shipping": {345: [504]},
        "conditions_kiosk_use": {"ConditionsEnabled": True,
                                 "ConditionsText": "Pictures must be yours.\nNo refund after printing."},
        "conditions_generales": "General terms of the demo shop.",
        "conditions_vente": "Terms of sale: prices include VAT.",
        "currencies": [
            {"Code": "EUR", "Decimals": 2, "Id": 1, "IsoCodeNum": "978", "Libelle": "Euro", "PaypalOk": True,
             "Symbole": "\u20ac", "SymboleAgauche": False},
            {"Code": "CHF", "Decimals": 2, "Id": 2, "IsoCodeNum": "756", "Libelle": "Franc suisse",
             "PaypalOk": False, "Symbole": "CHF", "SymboleAgauche": True},
        ],
        "languages": [{"DisplayName": "English", "IsoCode": "en"}, {"DisplayName": "Fran\u00e7ais", "IsoCode": "fr"}],
        # (appId, iso) -> dictionary
        "dictionaries": {
            "4/en": {"IsoCode": "en", "LastUpdate": "2024-01-10T09:30:00",
                     "Translations": [{"InitialString": "Prints", "TranslatedString": "Prints"},
                                      {"InitialString": "Cart", "TranslatedString": "Cart"}]},
            "4/fr": {"IsoCode": "fr", "LastUpdate": "2024-01-11T09:30:00",
                     "Translations": [{"InitialString": "Prints", "TranslatedString": "Tirages"},
                                      {"InitialString": "Cart", "TranslatedString": "Panier"},
                                      {"InitialString": "Price: %s", "TranslatedString": "Prix : %s & <TTC>"}]},
            "0/en": {"IsoCode": "en", "LastUpdate": "2024-01-05T00:00:00",
                     "Translations": [{"InitialString": "Common.Format001", "TranslatedString": "Small"}]},
            "0/fr": {"IsoCode": "fr", "LastUpdate": "2024-01-06T00:00:00",
                     "Translations": [{"InitialString": "Common.Format001", "TranslatedString": "Petit"}]},
        },
        "logo": {"Image": LOGO, "Nom": "logo.png", "VignetteId": 9001},
        "price_list": {"Image": PRICE_LIST, "Nom": "prices.pdf", "VignetteId": 9002},
        "front_print": {"DateOrderFormat": "dd/MM/yyyy", "FrontPrint": True,
                        "ImgWithDate": {"Image": b"front-with-date", "Nom": "fp_date.png", "VignetteId": 9101},
                        "ImgWithDateTime": None,
                        "ImgWithoutDate": {"Image": b"front-plain", "Nom": "fp.png", "VignetteId": 9102}},
    }


class ServiceState:
    def __init__(self):
        self.lock = threading.Lock()
        self.data = initial_data()
        self.answers = []   # pending special answers: {"operation", "answer", "times"}

    def take_answer(self, operation):
        with self.lock:
            for rule in self.answers:
                if rule.get("operation") in (None, "*", operation):
                    rule["times"] -= 1
                    if rule["times"] <= 0:
                        self.answers.remove(rule)
                    return rule["answer"]
        return None


STATE = ServiceState()


class SoapFault(Exception):
    def __init__(self, code, text):
        Exception.__init__(self, text)
        self.code = code
        self.text = text


# ------------------------------------------------------------------ writing

def q(ns, name):
    return "{%s}%s" % (ns, name)


def _text_of(kind, value):
    if kind == "bool":
        return "true" if value else "false"
    if kind in ("int", "char"):
        return str(int(value))
    if kind == "double":
        return repr(float(value))
    if kind == "base64":
        return base64.b64encode(value).decode("ascii")
    return str(value)


def _nil(parent, tag):
    e = ET.SubElement(parent, tag)
    e.set(q(NS_XSI, "nil"), "true")
    return e


def write_record(parent, tag, record_name, data):
    """A record element with every member of the contract, nil for those the
    data does not hold, as the lab's server writes them."""
    if data is None:
        return _nil(parent, tag)
    elem = ET.SubElement(parent, tag)
    for member, kind in RECORDS[record_name]:
        value = data.get(member)
        child_tag = q(NS_DC, member)
        if value is None:
            _nil(elem, child_tag)
        elif kind.startswith("record:"):
            write_record(elem, child_tag, kind.split(":", 1)[1], value)
        elif kind.startswith("records:"):
            write_records(elem, child_tag, kind.split(":", 1)[1], value)
        elif kind == "strings":
            lst = ET.SubElement(elem, child_tag)
            for s in value:
                ET.SubElement(lst, q(NS_ARRAYS, "string")).text = s
        else:
            ET.SubElement(elem, child_tag).text = _text_of(kind, value)
    return elem


def write_records(parent, tag, record_name, items):
    if items is None:
        return _nil(parent, tag)
    elem = ET.SubElement(parent, tag)
    for item in items:
        write_record(elem, q(NS_DC, record_name), record_name, item)
    return elem


def envelope(operation):
    env = ET.Element(q(NS_ENV, "Envelope"))
    body = ET.SubElement(env, q(NS_ENV, "Body"))
    response = ET.SubElement(body, q(NS_SERVICE, operation + "Response"))
    return env, response


def to_bytes(env):
    return ET.tostring(env, encoding="utf-8", xml_declaration=False)


def soap_reply(env):
    return Reply(200, to_bytes(env), "text/xml; charset=utf-8")


def fault_reply(code, text):
    env = ET.Element(q(NS_ENV, "Envelope"))
    body = ET.SubElement(env, q(NS_ENV, "Body"))
    fault = ET.SubElement(body, q(NS_ENV, "Fault"))
    ET.SubElement(fault, "faultcode").text = "s:" + code
    ET.SubElement(fault, "faultstring").text = text
    return Reply(500, to_bytes(env), "text/xml; charset=utf-8", reason="Internal Server Error")


# ------------------------------------------------------------------ reading

def local(tag):
    return tag.rsplit("}", 1)[-1]


def is_nil(elem):
    return elem.get(q(NS_XSI, "nil")) in ("true", "1")


def read_value(elem, kind):
    text = elem.text or ""
    try:
        if kind == "int" or kind == "char":
            return int(text.strip())
        if kind == "bool":
            if text.strip() not in ("true", "false", "1", "0"):
                raise ValueError(text)
            return text.strip() in ("true", "1")
        if kind == "double":
            return float(text.strip())
        if kind == "base64":
            return base64.b64decode(text.strip(), validate=True)
    except ValueError:
        raise SoapFault("Client", "The value '%s' of %s is not a valid %s" % (text, local(elem.tag), kind))
    return text


def read_record(elem, record_name):
    """The members the request carries: member -> value (None for nil)."""
    if elem is None or is_nil(elem):
        return None
    kinds = dict(RECORDS[record_name])
    out = {}
    for child in elem:
        if not child.tag.startswith("{%s}" % NS_DC):
            raise SoapFault("Client", "Member %s of %s is not in the data-contract namespace"
                            % (child.tag, record_name))
        member = local(child.tag)
        if member not in kinds:
            continue
        kind = kinds[member]
        if is_nil(child):
            out[member] = None
        elif kind.startswith("record:"):
            out[member] = read_record(child, kind.split(":", 1)[1])
        elif kind.startswith("records:"):
            out[member] = [read_record(i, kind.split(":", 1)[1]) for i in child]
        elif kind == "strings":
            out[member] = [i.text or "" for i in child]
        else:
            out[member] = read_value(child, kind)
    return out


def param(wrapper, name):
    return wrapper.find(q(NS_SERVICE, name))


def int_param(wrapper, name):
    e = param(wrapper, name)
    if e is None:
        raise SoapFault("Client", "Parameter %s is missing" % name)
    return read_value(e, "int")


def str_param(wrapper, name):
    e = param(wrapper, name)
    if e is None or is_nil(e):
        return None
    return e.text or ""


# --------------------------------------------------------------- operations

def wrap_password(password):
    return "Q7#" + password + "!K4" if password else ""


def check_requester(req, wrapper, data):
    demandeur = param(wrapper, "demandeur")
    if demandeur is None or is_nil(demandeur):
        req.notes["requester"] = "missing"
        raise SoapFault("Client", "The requester is missing")
    who = read_record(demandeur, "Demandeur")
    ok = (who.get("Login") == data["login"] and who.get("Password") == wrap_password(data["password"])
          and who.get("TypeDemandeur") == "Consommateur")
    req.notes["requester"] = "ok" if ok else "refused"
    req.notes["requester_login"] = who.get("Login")
    if not ok:
        raise SoapFault("Client", "Authentication failed for the requester")


def op_result(operation, fill):
    env, response = envelope(operation)
    fill(response, q(NS_SERVICE, operation + "Result"))
    return env


def record_result(operation, record_name, value):
    return op_result(operation, lambda r, tag: write_record(r, tag, record_name, value))


def records_result(operation, record_name, items):
    return op_result(operation, lambda r, tag: write_records(r, tag, record_name, items))


def scalar_result(operation, kind, value):
    def fill(r, tag):
        if value is None:
            _nil(r, tag)
        else:
            ET.SubElement(r, tag).text = _text_of(kind, value)
    return op_result(operation, fill)


def consumer_by_login(data, login):
    return data["consumer"] if login == data["consumer"]["Login"] else None


def handle_operation(operation, wrapper, data):
    """The reply envelope of one operation (under STATE.lock)."""
    if operation == "GetZebconsumerByLogin":
        login = str_param(wrapper, "login")
        return record_result(operation, "Zebconsumer", data["zebconsumer"] if login == data["login"] else None)
    if operation == "GetConsumerByLogin":
        return record_result(operation, "Consommateur", consumer_by_login(data, str_param(wrapper, "login")))
    if operation == "GetPhotographerById":
        pid = int_param(wrapper, "id")
        return record_result(operation, "Photographe",
                             data["photographer"] if pid == data["photographer"]["Id"] else None)
    if operation in ("GetConditionsGeneralesById", "GetConditionsVenteById"):
        pid = int_param(wrapper, "photId")
        key = "conditions_generales" if operation == "GetConditionsGeneralesById" else "conditions_vente"
        return scalar_result(operation, "string", data[key] if pid == data["photographer"]["Id"] else None)
    if operation in ("GetPhotographerLogo", "GetPhotographerPriceList"):
        pid = int_param(wrapper, "photId")
        md5 = str_param(wrapper, "md5")
        stored = data["logo" if operation == "GetPhotographerLogo" else "price_list"]
        if pid != data["photographer"]["Id"]:
            item = None
        elif stored is None:
            item = {"Image": None, "MD5": None, "Nom": None}   # the store has no such file
        else:
            item = dict(stored)
            item["MD5"] = hashlib.md5(item["Image"]).hexdigest()
            if md5 == item["MD5"]:
                item = None   # the kiosk's copy is current: nothing newer
        return record_result(operation, "Vignette", item)
    if operation == "GetConditionsKioskUse":
        pid = int_param(wrapper, "photId")
        return record_result(operation, "ConditionsKioskUse",
                             data["conditions_kiosk_use"] if pid == data["photographer"]["Id"] else None)
    if operation == "GetPhotographerFrontPrint":
        pid = int_param(wrapper, "PhotId")
        return record_result(operation, "FrontPrintDateTime",
                             data["front_print"] if pid == data["photographer"]["Id"] else None)
    if operation == "GetMonnaieList":
        e = param(wrapper, "paypalOk")
        only_paypal = None if e is None or is_nil(e) else read_value(e, "bool")
        items = [c for c in data["currencies"] if only_paypal is None or c["PaypalOk"] == only_paypal]
        return records_result(operation, "Monnaie", items)
    if operation == "GetAddress":
        return record_result(operation, "Adresse", data["addresses"].get(int_param(wrapper, "id")))
    if operation == "GetConsumerShippingAddresses":
        ids = data["shipping"].get(int_param(wrapper, "consId"), [])
        return records_result(operation, "Adresse", [data["addresses"][i] for i in ids if i in data["addresses"]])
    if operation in ("AddAddress", "AddConsumerAddress"):
        address = read_record(param(wrapper, "adresse"), "Adresse")
        if address is None:
            return scalar_result(operation, "int", 0)
        new_id = data["next_address_id"]
        data["next_address_id"] += 1
        address["Id"] = new_id
        data["addresses"][new_id] = address
        if operation == "AddConsumerAddress":
            cons = int_param(wrapper, "consId")
            if cons != data["consumer"]["Id"]:
                del data["addresses"][new_id]
                return scalar_result(operation, "int", -1)
            data["shipping"].setdefault(cons, []).append(new_id)
        return scalar_result(operation, "int", new_id)
    if operation == "ModifyAddress":
        address = read_record(param(wrapper, "adresse"), "Adresse")
        if not address or address.get("Id") not in data["addresses"]:
            return scalar_result(operation, "bool", False)
        data["addresses"][address["Id"]].update(address)
        return scalar_result(operation, "bool", True)
    if operation == "DeleteAddress":
        aid = int_param(wrapper, "adresseId")
        if aid not in data["addresses"]:
            return scalar_result(operation, "bool", False)
        del data["addresses"][aid]
        for ids in data["shipping"].values():
            if aid in ids:
                ids.remove(aid)
        return scalar_result(operation, "bool", True)
    if operation == "ModifyConsumer":
        cons = read_record(param(wrapper, "consommateur"), "Consommateur")
        if not cons or cons.get("Id") != data["consumer"]["Id"]:
            return scalar_result(operation, "bool", False)
        data["consumer"].update(cons)
        data["last_modify_consumer"] = sorted(cons.keys())
        return scalar_result(operation, "bool", True)
    if operation == "ModifyConsumerPrivacyPolicyDate":
        cid = int_param(wrapper, "consommateurId")
        e = param(wrapper, "dateAccept")
        if cid != data["consumer"]["Id"]:
            return scalar_result(operation, "bool", False)
        data["consumer"]["PrivacyPolicyAcceptDate"] = None if e is None or is_nil(e) else (e.text or "")
        return scalar_result(operation, "bool", True)
    if operation == "GetLangChoices":
        int_param(wrapper, "appId")
        return records_result(operation, "LangChoice", data["languages"])
    if operation == "GetLangDico":
        app = int_param(wrapper, "appId")
        iso = (str_param(wrapper, "isoCode") or "").lower()
        dico = data["dictionaries"].get("%d/%s" % (app, iso))
        stamp = param(wrapper, "timestamp")
        # A copy as recent as the lab's needs nothing: the lab answers nil.
        if dico is not None and stamp is not None and not is_nil(stamp) and (stamp.text or "")[:19] >= dico["LastUpdate"]:
            dico = None
        return record_result(operation, "LangDico", dico)
    raise SoapFault("Client", "The operation %s is not offered by this service" % operation)


# ------------------------------------------------------------ special answers

# Shape of each operation's result: ("record", name), ("records", name) or
# the kind of a plain value.
RESULTS = {
    "GetZebconsumerByLogin": ("record", "Zebconsumer"), "GetConsumerByLogin": ("record", "Consommateur"),
    "GetPhotographerById": ("record", "Photographe"), "GetConditionsGeneralesById": ("string",),
    "GetConditionsVenteById": ("string",), "GetPhotographerLogo": ("record", "Vignette"),
    "GetPhotographerPriceList": ("record", "Vignette"), "GetConditionsKioskUse": ("record", "ConditionsKioskUse"),
    "GetPhotographerFrontPrint": ("record", "FrontPrintDateTime"), "GetMonnaieList": ("records", "Monnaie"),
    "GetAddress": ("record", "Adresse"), "GetConsumerShippingAddresses": ("records", "Adresse"),
    "AddAddress": ("int",), "AddConsumerAddress": ("int",), "ModifyAddress": ("bool",),
    "DeleteAddress": ("bool",), "ModifyConsumer": ("bool",), "ModifyConsumerPrivacyPolicyDate": ("bool",),
    "GetLangChoices": ("records", "LangChoice"), "GetLangDico": ("record", "LangDico"),
}


def corrupt(result, shape):
    """Puts a value of the wrong type into a result element."""
    for child in list(result):
        result.remove(child)
    result.attrib.clear()
    result.text = None
    if shape[0] in ("int", "bool"):
        result.text = "not-a-" + shape[0]
    elif shape[0] == "string":
        ET.SubElement(result, q(NS_DC, "Unexpected")).text = "element"
    elif shape[0] == "records":
        ET.SubElement(result, q(NS_DC, "Unexpected")).text = "item"
    else:
        for member, kind in RECORDS[shape[1]]:
            if kind in ("int", "bool", "double", "datetime", "char"):
                ET.SubElement(result, q(NS_DC, member)).text = "not-a-" + kind
                return
        ET.SubElement(result, q(NS_DC, RECORDS[shape[1]][0][0]), ).append(ET.Element(q(NS_DC, "Nested")))

def special_reply(kind, operation, normal):
    if kind == "fault":
        return fault_reply("Server", "The lab failed to process %s" % operation)
    if kind == "malformed":
        body = to_bytes(normal)
        return Reply(200, body[:max(1, len(body) * 2 // 3)], "text/xml; charset=utf-8")
    if kind == "not_xml":
        return Reply(200, b"this is <not xml", "text/xml; charset=utf-8")
    if kind == "no_result":
        env, _ = envelope(operation)
        return soap_reply(env)
    if kind == "nil":
        env, response = envelope(operation)
        _nil(response, q(NS_SERVICE, operation + "Result"))
        return soap_reply(env)
    if kind == "wrong_type":
        env = copy.deepcopy(normal)
        result = env.find(".//" + q(NS_SERVICE, operation + "Result"))
        corrupt(result, RESULTS.get(operation, ("string",)))
        return soap_reply(env)
    if kind == "other_operation":
        env, response = envelope("GetVersion")
        ET.SubElement(response, q(NS_SERVICE, "GetVersionResult")).text = "1.0"
        return soap_reply(env)
    if kind == "html":
        return Reply(200, "<html><body><h1>Service unavailable</h1></body></html>", "text/html")
    if kind == "plain":
        return Reply(200, "Service unavailable", "text/plain")
    if kind == "empty":
        return Reply(200, b"", "text/xml; charset=utf-8")
    return None


def handle(req):
    if req.method != "POST":
        return Reply(405, "Method not allowed", reason="Method Not Allowed")
    action = (req.header("SOAPAction") or "")
    req.notes["soap_action"] = action
    ctype = (req.header("Content-Type") or "").lower()
    try:
        root = ET.fromstring(req.body)
    except ET.ParseError as e:
        req.notes["answer"] = "fault"
        return fault_reply("Client", "The request is not well-formed XML: %s" % e)
    body = root.find(q(NS_ENV, "Body"))
    if root.tag != q(NS_ENV, "Envelope") or body is None or len(body) == 0:
        req.notes["answer"] = "fault"
        return fault_reply("Client", "The request is not a SOAP 1.1 envelope")
    wrapper = body[0]
    operation = local(wrapper.tag)
    req.notes["operation"] = operation
    if not ctype.startswith("text/xml"):
        req.notes["answer"] = "fault"
        return fault_reply("Client", "Unsupported content type %s" % ctype)
    if action != '"%s%s"' % (ACTION_PREFIX, operation) or not wrapper.tag.startswith("{%s}" % NS_SERVICE):
        req.notes["answer"] = "fault"
        return fault_reply("Client", "The SOAP action %s does not match the operation %s" % (action, operation))
    special = STATE.take_answer(operation)
    with STATE.lock:
        try:
            check_requester(req, wrapper, STATE.data)
            normal = handle_operation(operation, wrapper, STATE.data)
        except SoapFault as f:
            req.notes["answer"] = "fault"
            return fault_reply(f.code, f.text)
    if special:
        reply = special_reply(special, operation, normal)
        if reply is not None:
            req.notes["answer"] = special
            return reply
    req.notes["answer"] = "result"
    return soap_reply(normal)


def _jsonable(value):
    if isinstance(value, bytes):
        return base64.b64encode(value).decode("ascii")
    if isinstance(value, dict):
        return {str(k): _jsonable(v) for k, v in value.items()}
    if isinstance(value, list):
        return [_jsonable(v) for v in value]
    return value


def control(req):
    try:
        cmd = json.loads(req.body or b"{}")
    except ValueError:
        return Reply(400, json.dumps({"ok": False, "error": "invalid JSON"}), "application/json")
    name = cmd.get("cmd")
    with STATE.lock:
        if name == "answer":
            STATE.answers.append({"operation": cmd.get("operation"), "answer": cmd.get("answer"),
                                  "times": int(cmd.get("times", 1))})
        elif name == "clear":
            STATE.answers.clear()
        elif name == "reset":
            STATE.answers.clear()
            STATE.data = initial_data()
        elif name == "credentials":
            STATE.data["login"] = cmd.get("login", "")
            STATE.data["password"] = cmd.get("password", "")
        elif name == "set":
            record = STATE.data.get(cmd.get("record"))
            if not isinstance(record, dict) or not isinstance(cmd.get("values"), dict):
                return Reply(400, json.dumps({"ok": False, "error": "unknown record"}), "application/json")
            for member, value in cmd["values"].items():
                if member == "BorneModeCommunication" and isinstance(value, str):
                    value = ord(value) if value else 0
                record[member] = value
        elif name == "data":
            return Reply(200, json.dumps({"ok": True, "data": _jsonable(copy.deepcopy(STATE.data))}),
                         "application/json")
        else:
            return Reply(400, json.dumps({"ok": False, "error": "unknown command"}), "application/json")
    return Reply(200, json.dumps({"ok": True}), "application/json")


# The kiosk's developer endpoint puts the service under "/LumServer/": the
# simulator answers there too, so the kiosk can use it as that endpoint.
ROUTES = {PAGE: handle, "/LumServer" + PAGE: handle, CONTROL: control}
