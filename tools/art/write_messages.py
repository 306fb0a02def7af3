#!/usr/bin/env python3
"""Write the message files data/FrmDesc*.txt from the texts held here.

    python3 tools/art/write_messages.py [--check] [REPO_ROOT]
    python3 tools/art/write_messages.py --header OUT_FILE

Each file is UTF-8 text with its byte-order mark (so the program reads it
alike on every Windows code page) and CR LF line ends: a few ";" comment lines,
the section header [FrmDownload], then one KEY=VALUE line per message in the
order of KEYS.  A "§" in a value is shown by the program as a line break.
The program appends "  (Rel.x.y)" to the window title and " <phase>" to the
time-out message, which is why the latter ends with a colon.

With --check nothing is written: the script exits with status 1 when a file
on disk differs from what it would write, or when a text breaks a rule below.

With --header the same texts are written as C++ initialisers, which the build
compiles into the program: its built-in texts, used where a message file is
missing or lacks a key.  The key list, message_keys.h, is written beside them.
"""

import os
import sys

SECTION = "[FrmDownload]"
LINE_BREAK = "\u00a7"        # "§", bytes C2 A7 in UTF-8
UTF8_MARK = b"\xef\xbb\xbf"

# Every message key, in the order of the message files and of the loader's
# tests: the name the program's code gives it, and its key text. The build
# writes the program's key list (message_keys.h) from here.
MESSAGE_KEYS = [
    ("NoComSelect", "FRM_ALL_NO_COM_SELECT"),
    ("ExitCaption", "FRM_ALL_C_EXIT"),
    ("Title", "FRM_FW_UPGRADE_TITLE"),
    ("UpgradeCaption", "FRM_FW_UPGRADE_C_UPGRADE"),
    ("ComPortLabel", "FRM_FW_UPGRADE_L_COM_PORT"),
    ("LanguageLabel", "FRM_FW_UPGRADE_L_LINGUA"),
    ("TitleLabel", "FRM_FW_UPGRADE_L_TITOLO"),
    ("FileMissed", "FRM_FW_UPGRADE_FILE_MISSED_MSG"),
    ("DownloadTimeout", "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG"),
    ("AskOk", "FRM_FW_UPGRADE_ASK_OK_MSG"),
    ("ResetEcr", "FRM_FW_UPGRADE_RESET_ECR_MSG"),
    ("PowerOnEcr", "FRM_FW_UPGRADE_POWERON_ECR_MSG"),
    ("Updating", "FRM_FW_UPGRADE_UPDATING_MSG"),
    ("Programming", "FRM_FW_UPGRADE_PROGRAMMING_MSG"),
    ("End", "FRM_FW_UPGRADE_END_MSG"),
    ("Saving", "FRM_FW_UPGRADE_SAVING_MSG"),
    ("FirstStart", "FRM_FW_UPGRADE_FIRST_STRAT_MSG"),
    ("Aborted", "FRM_FW_UPGRADE_ABORTED_MSG"),
    ("Failed", "FRM_FW_UPGRADE_FAILED_MSG"),
] + [("BakSd%d" % i, "FRM_FW_UPGRADE_BAK_SD%d_MSG" % i) for i in range(1, 11)] + [
    ("Notice1", "FRM_FW_UPGRADE_AVVISO1_MSG"),
    ("Notice2", "FRM_FW_UPGRADE_AVVISO2_MSG"),
    ("Notice3", "FRM_FW_UPGRADE_AVVISO3_MSG"),
    ("CheckRegisterFirmware", "FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG"),
    ("Confirmation", "FRM_FW_UPGRADE_AVVISO_MSG"),         # asked before a run
    ("CloseDuringRun", "FRM_FW_UPGRADE_CLOSE_RUN_MSG"),
    ("ShutdownBlocked", "FRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG"),  # on Windows' shutdown screen
    ("NoDriver", "FRM_FW_UPGRADE_NO_DRIVER_MSG"),
    ("ImageDamaged", "FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG"),
]
KEYS = [key for _, key in MESSAGE_KEYS]

# Longest caption that still fits its control: buttons are about 130 px wide
# at Arial 12, the big title about 500 px at Arial 20 bold, the labels sit
# beside their drop-down lists.
MAX_LEN = {
    "FRM_ALL_C_EXIT": 12,
    "FRM_FW_UPGRADE_C_UPGRADE": 12,
    "FRM_FW_UPGRADE_L_COM_PORT": 16,
    "FRM_FW_UPGRADE_L_LINGUA": 16,
    "FRM_FW_UPGRADE_L_TITOLO": 24,
    "FRM_FW_UPGRADE_TITLE": 48,
}
# messages shown in a box of two lines or more
NEEDS_BREAK = ["FRM_FW_UPGRADE_AVVISO_MSG", "FRM_FW_UPGRADE_CLOSE_RUN_MSG",
               "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG",
               "FRM_FW_UPGRADE_FILE_MISSED_MSG", "FRM_FW_UPGRADE_END_MSG"]
# captions and labels are a single line
NO_BREAK = list(MAX_LEN)

B = LINE_BREAK

ENGLISH = {
    "FRM_ALL_NO_COM_SELECT": "No serial port selected." + B +
        "Choose the port the cash register is connected to.",
    "FRM_ALL_C_EXIT": "EXIT",
    "FRM_FW_UPGRADE_TITLE": "Vardolin - Firmware Download",
    "FRM_FW_UPGRADE_C_UPGRADE": "UPGRADE",
    "FRM_FW_UPGRADE_L_COM_PORT": "Serial port:",
    "FRM_FW_UPGRADE_L_LINGUA": "Language:",
    "FRM_FW_UPGRADE_L_TITOLO": "FIRMWARE UPGRADE",
    "FRM_FW_UPGRADE_FILE_MISSED_MSG": "Required files not found." + B +
        "The firmware image (*.bin) and Up_Loader.exe must be in the same folder as this program.",
    "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG": "No answer from the cash register (time-out)." + B +
        "Transfer stopped. Phase:",
    "FRM_FW_UPGRADE_ASK_OK_MSG": "Press OK to continue.",
    "FRM_FW_UPGRADE_RESET_ECR_MSG": "Switch the cash register off now.",
    "FRM_FW_UPGRADE_POWERON_ECR_MSG": "Switch the cash register on now.",
    "FRM_FW_UPGRADE_UPDATING_MSG": "Transferring the new firmware, please wait...",
    "FRM_FW_UPGRADE_PROGRAMMING_MSG": "Writing the firmware to memory. Do not switch off the cash register.",
    "FRM_FW_UPGRADE_END_MSG": "Firmware upgrade completed successfully." + B +
        "The program will now close.",
    "FRM_FW_UPGRADE_SAVING_MSG": "Saving the cash register data, please wait...",
    "FRM_FW_UPGRADE_FIRST_STRAT_MSG": "First start with the new firmware, please wait...",
    "FRM_FW_UPGRADE_ABORTED_MSG": "Firmware upgrade cancelled.",
    "FRM_FW_UPGRADE_FAILED_MSG": "Firmware upgrade failed." + B +
        "Check the cable and the serial port, then try again.",
    "FRM_FW_UPGRADE_BAK_SD1_MSG": "SD backup: preparing...",
    "FRM_FW_UPGRADE_BAK_SD2_MSG": "SD backup: checking the card...",
    "FRM_FW_UPGRADE_BAK_SD3_MSG": "SD backup: saving the settings...",
    "FRM_FW_UPGRADE_BAK_SD4_MSG": "SD backup: saving the totals...",
    "FRM_FW_UPGRADE_BAK_SD5_MSG": "SD backup: saving the item file...",
    "FRM_FW_UPGRADE_BAK_SD6_MSG": "SD backup: saving the electronic journal...",
    "FRM_FW_UPGRADE_BAK_SD7_MSG": "SD backup: verifying the data...",
    "FRM_FW_UPGRADE_BAK_SD8_MSG": "SD backup: completed.",
    "FRM_FW_UPGRADE_BAK_SD9_MSG": "SD backup: no SD card in the cash register.",
    "FRM_FW_UPGRADE_BAK_SD10_MSG": "SD backup: error writing to the card.",
    "FRM_FW_UPGRADE_AVVISO1_MSG": "WARNING: do not switch off the cash register.",
    "FRM_FW_UPGRADE_AVVISO2_MSG": "WARNING: do not disconnect the serial cable.",
    "FRM_FW_UPGRADE_AVVISO3_MSG": "Keep this program open until the upgrade has finished.",
    "FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG": "Checking the firmware of the cash register...",
    "FRM_FW_UPGRADE_AVVISO_MSG": "The firmware of the cash register is about to be replaced." + B +
        "Keep the register switched on and connected to this PC until the end. Do you want to continue?",
    "FRM_FW_UPGRADE_CLOSE_RUN_MSG": "The firmware is still being loaded. If you close this window, "
        "the upgrade goes on without it and its result is not shown." + B + "Close anyway?",
    "FRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG": "Firmware is being loaded into the cash register. "
        "Do not shut down or log off until it has finished.",
    "FRM_FW_UPGRADE_NO_DRIVER_MSG": "A USB serial adapter is plugged in, but Windows has no "
        "driver for it:",
    "FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG": "The firmware image does not match its checksum file; "
        "it may be damaged or incomplete. Copy it again.",
}

FRENCH = {
    "FRM_ALL_NO_COM_SELECT": "Aucun port série sélectionné." + B +
        "Choisissez le port auquel la caisse est raccordée.",
    "FRM_ALL_C_EXIT": "SORTIE",
    "FRM_FW_UPGRADE_TITLE": "Vardolin - Téléchargement du firmware",
    "FRM_FW_UPGRADE_C_UPGRADE": "MISE À JOUR",
    "FRM_FW_UPGRADE_L_COM_PORT": "Port série :",
    "FRM_FW_UPGRADE_L_LINGUA": "Langue :",
    "FRM_FW_UPGRADE_L_TITOLO": "MISE À JOUR DU FIRMWARE",
    "FRM_FW_UPGRADE_FILE_MISSED_MSG": "Fichiers nécessaires introuvables." + B +
        "L'image du firmware (*.bin) et Up_Loader.exe doivent se trouver dans le même dossier que ce programme.",
    "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG": "La caisse ne répond pas (délai dépassé)." + B +
        "Transfert interrompu. Phase :",
    "FRM_FW_UPGRADE_ASK_OK_MSG": "Appuyez sur OK pour continuer.",
    "FRM_FW_UPGRADE_RESET_ECR_MSG": "Éteignez la caisse maintenant.",
    "FRM_FW_UPGRADE_POWERON_ECR_MSG": "Allumez la caisse maintenant.",
    "FRM_FW_UPGRADE_UPDATING_MSG": "Transfert du nouveau firmware en cours, veuillez patienter...",
    "FRM_FW_UPGRADE_PROGRAMMING_MSG": "Écriture du firmware en mémoire. N'éteignez pas la caisse.",
    "FRM_FW_UPGRADE_END_MSG": "Mise à jour du firmware terminée avec succès." + B +
        "Le programme va se fermer.",
    "FRM_FW_UPGRADE_SAVING_MSG": "Sauvegarde des données de la caisse, veuillez patienter...",
    "FRM_FW_UPGRADE_FIRST_STRAT_MSG": "Premier démarrage avec le nouveau firmware, veuillez patienter...",
    "FRM_FW_UPGRADE_ABORTED_MSG": "Mise à jour du firmware annulée.",
    "FRM_FW_UPGRADE_FAILED_MSG": "Échec de la mise à jour du firmware." + B +
        "Vérifiez le câble et le port série, puis réessayez.",
    "FRM_FW_UPGRADE_BAK_SD1_MSG": "Sauvegarde SD : préparation...",
    "FRM_FW_UPGRADE_BAK_SD2_MSG": "Sauvegarde SD : contrôle de la carte...",
    "FRM_FW_UPGRADE_BAK_SD3_MSG": "Sauvegarde SD : enregistrement des paramètres...",
    "FRM_FW_UPGRADE_BAK_SD4_MSG": "Sauvegarde SD : enregistrement des totaux...",
    "FRM_FW_UPGRADE_BAK_SD5_MSG": "Sauvegarde SD : enregistrement du fichier articles...",
    "FRM_FW_UPGRADE_BAK_SD6_MSG": "Sauvegarde SD : enregistrement du journal électronique...",
    "FRM_FW_UPGRADE_BAK_SD7_MSG": "Sauvegarde SD : vérification des données...",
    "FRM_FW_UPGRADE_BAK_SD8_MSG": "Sauvegarde SD : terminée.",
    "FRM_FW_UPGRADE_BAK_SD9_MSG": "Sauvegarde SD : aucune carte SD dans la caisse.",
    "FRM_FW_UPGRADE_BAK_SD10_MSG": "Sauvegarde SD : erreur d'écriture sur la carte.",
    "FRM_FW_UPGRADE_AVVISO1_MSG": "ATTENTION : n'éteignez pas la caisse.",
    "FRM_FW_UPGRADE_AVVISO2_MSG": "ATTENTION : ne débranchez pas le câble série.",
    "FRM_FW_UPGRADE_AVVISO3_MSG": "Laissez ce programme ouvert jusqu'à la fin de la mise à jour.",
    "FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG": "Vérification du firmware de la caisse...",
    "FRM_FW_UPGRADE_AVVISO_MSG": "Le firmware de la caisse va être remplacé." + B +
        "Laissez la caisse allumée et raccordée à ce PC jusqu'à la fin. Voulez-vous continuer ?",
    "FRM_FW_UPGRADE_CLOSE_RUN_MSG": "Le firmware est encore en cours de chargement. Si vous fermez "
        "cette fenêtre, la mise à jour continue sans elle et son résultat ne sera pas affiché." + B +
        "Fermer quand même ?",
    "FRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG": "Le firmware est en cours de chargement dans la caisse "
        "enregistreuse. N'arrêtez pas l'ordinateur et ne fermez pas la session avant la fin.",
    "FRM_FW_UPGRADE_NO_DRIVER_MSG": "Un adaptateur série USB est branché, mais Windows n'a pas "
        "de pilote pour lui :",
    "FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG": "Le fichier du firmware ne correspond pas à son fichier "
        "de somme de contrôle : il est peut-être endommagé ou incomplet. Copiez-le de nouveau.",
}

ITALIAN = {
    "FRM_ALL_NO_COM_SELECT": "Nessuna porta seriale selezionata." + B +
        "Scegliere la porta a cui è collegato il registratore di cassa.",
    "FRM_ALL_C_EXIT": "ESCI",
    "FRM_FW_UPGRADE_TITLE": "Vardolin - Caricamento firmware",
    "FRM_FW_UPGRADE_C_UPGRADE": "AGGIORNA",
    "FRM_FW_UPGRADE_L_COM_PORT": "Porta seriale:",
    "FRM_FW_UPGRADE_L_LINGUA": "Lingua:",
    "FRM_FW_UPGRADE_L_TITOLO": "AGGIORNAMENTO FIRMWARE",
    "FRM_FW_UPGRADE_FILE_MISSED_MSG": "File necessari non trovati." + B +
        "L'immagine del firmware (*.bin) e Up_Loader.exe devono trovarsi nella stessa cartella di questo programma.",
    "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG": "Il registratore di cassa non risponde (tempo scaduto)." + B +
        "Trasferimento interrotto. Fase:",
    "FRM_FW_UPGRADE_ASK_OK_MSG": "Premere OK per continuare.",
    "FRM_FW_UPGRADE_RESET_ECR_MSG": "Spegnere ora il registratore di cassa.",
    "FRM_FW_UPGRADE_POWERON_ECR_MSG": "Accendere ora il registratore di cassa.",
    "FRM_FW_UPGRADE_UPDATING_MSG": "Trasferimento del nuovo firmware in corso, attendere...",
    "FRM_FW_UPGRADE_PROGRAMMING_MSG": "Scrittura del firmware in memoria. Non spegnere il registratore di cassa.",
    "FRM_FW_UPGRADE_END_MSG": "Aggiornamento del firmware completato con successo." + B +
        "Il programma verrà chiuso.",
    "FRM_FW_UPGRADE_SAVING_MSG": "Salvataggio dei dati del registratore in corso, attendere...",
    "FRM_FW_UPGRADE_FIRST_STRAT_MSG": "Primo avvio con il nuovo firmware, attendere...",
    "FRM_FW_UPGRADE_ABORTED_MSG": "Aggiornamento del firmware annullato.",
    "FRM_FW_UPGRADE_FAILED_MSG": "Aggiornamento del firmware non riuscito." + B +
        "Controllare il cavo e la porta seriale, poi riprovare.",
    "FRM_FW_UPGRADE_BAK_SD1_MSG": "Backup su SD: preparazione...",
    "FRM_FW_UPGRADE_BAK_SD2_MSG": "Backup su SD: controllo della scheda...",
    "FRM_FW_UPGRADE_BAK_SD3_MSG": "Backup su SD: salvataggio delle impostazioni...",
    "FRM_FW_UPGRADE_BAK_SD4_MSG": "Backup su SD: salvataggio dei totali...",
    "FRM_FW_UPGRADE_BAK_SD5_MSG": "Backup su SD: salvataggio dell'archivio articoli...",
    "FRM_FW_UPGRADE_BAK_SD6_MSG": "Backup su SD: salvataggio del giornale elettronico...",
    "FRM_FW_UPGRADE_BAK_SD7_MSG": "Backup su SD: verifica dei dati...",
    "FRM_FW_UPGRADE_BAK_SD8_MSG": "Backup su SD: completato.",
    "FRM_FW_UPGRADE_BAK_SD9_MSG": "Backup su SD: nessuna scheda SD nel registratore.",
    "FRM_FW_UPGRADE_BAK_SD10_MSG": "Backup su SD: errore di scrittura sulla scheda.",
    "FRM_FW_UPGRADE_AVVISO1_MSG": "ATTENZIONE: non spegnere il registratore di cassa.",
    "FRM_FW_UPGRADE_AVVISO2_MSG": "ATTENZIONE: non scollegare il cavo seriale.",
    "FRM_FW_UPGRADE_AVVISO3_MSG": "Tenere aperto questo programma fino al termine dell'aggiornamento.",
    "FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG": "Verifica del firmware del registratore di cassa...",
    "FRM_FW_UPGRADE_AVVISO_MSG": "Il firmware del registratore di cassa sta per essere sostituito." + B +
        "Tenere il registratore acceso e collegato a questo PC fino alla fine. Continuare?",
    "FRM_FW_UPGRADE_CLOSE_RUN_MSG": "Il firmware è ancora in fase di caricamento. Se si chiude "
        "questa finestra, l'aggiornamento prosegue senza di essa e il suo esito non viene mostrato." +
        B + "Chiudere comunque?",
    "FRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG": "Il firmware è in fase di caricamento nel registratore "
        "di cassa. Non spegnere il computer e non disconnettersi finché non è terminato.",
    "FRM_FW_UPGRADE_NO_DRIVER_MSG": "È collegato un adattatore seriale USB, ma Windows non ha "
        "un driver per esso:",
    "FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG": "Il file del firmware non corrisponde al suo file di "
        "checksum: potrebbe essere danneggiato o incompleto. Copiarlo di nuovo.",
}

SWEDISH = {
    "FRM_ALL_NO_COM_SELECT": "Ingen serieport vald." + B +
        "Välj den port som kassaregistret är anslutet till.",
    "FRM_ALL_C_EXIT": "AVSLUTA",
    "FRM_FW_UPGRADE_TITLE": "Vardolin - Överföring av firmware",
    "FRM_FW_UPGRADE_C_UPGRADE": "UPPDATERA",
    "FRM_FW_UPGRADE_L_COM_PORT": "Serieport:",
    "FRM_FW_UPGRADE_L_LINGUA": "Språk:",
    "FRM_FW_UPGRADE_L_TITOLO": "FIRMWAREUPPDATERING",
    "FRM_FW_UPGRADE_FILE_MISSED_MSG": "Nödvändiga filer saknas." + B +
        "Firmwarefilen (*.bin) och Up_Loader.exe måste ligga i samma mapp som det här programmet.",
    "FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG": "Kassaregistret svarar inte (tidsgränsen överskreds)." + B +
        "Överföringen avbröts. Fas:",
    "FRM_FW_UPGRADE_ASK_OK_MSG": "Tryck på OK för att fortsätta.",
    "FRM_FW_UPGRADE_RESET_ECR_MSG": "Stäng av kassaregistret nu.",
    "FRM_FW_UPGRADE_POWERON_ECR_MSG": "Slå på kassaregistret nu.",
    "FRM_FW_UPGRADE_UPDATING_MSG": "Den nya firmwaren överförs, vänta...",
    "FRM_FW_UPGRADE_PROGRAMMING_MSG": "Firmwaren skrivs till minnet. Stäng inte av kassaregistret.",
    "FRM_FW_UPGRADE_END_MSG": "Firmwareuppdateringen är klar." + B +
        "Programmet avslutas nu.",
    "FRM_FW_UPGRADE_SAVING_MSG": "Kassaregistrets data sparas, vänta...",
    "FRM_FW_UPGRADE_FIRST_STRAT_MSG": "Första start med den nya firmwaren, vänta...",
    "FRM_FW_UPGRADE_ABORTED_MSG": "Firmwareuppdateringen avbröts.",
    "FRM_FW_UPGRADE_FAILED_MSG": "Firmwareuppdateringen misslyckades." + B +
        "Kontrollera kabeln och serieporten och försök igen.",
    "FRM_FW_UPGRADE_BAK_SD1_MSG": "Säkerhetskopia till SD: förbereder...",
    "FRM_FW_UPGRADE_BAK_SD2_MSG": "Säkerhetskopia till SD: kontrollerar kortet...",
    "FRM_FW_UPGRADE_BAK_SD3_MSG": "Säkerhetskopia till SD: sparar inställningarna...",
    "FRM_FW_UPGRADE_BAK_SD4_MSG": "Säkerhetskopia till SD: sparar totalerna...",
    "FRM_FW_UPGRADE_BAK_SD5_MSG": "Säkerhetskopia till SD: sparar artikelregistret...",
    "FRM_FW_UPGRADE_BAK_SD6_MSG": "Säkerhetskopia till SD: sparar den elektroniska journalen...",
    "FRM_FW_UPGRADE_BAK_SD7_MSG": "Säkerhetskopia till SD: kontrollerar data...",
    "FRM_FW_UPGRADE_BAK_SD8_MSG": "Säkerhetskopia till SD: klar.",
    "FRM_FW_UPGRADE_BAK_SD9_MSG": "Säkerhetskopia till SD: inget SD-kort i kassaregistret.",
    "FRM_FW_UPGRADE_BAK_SD10_MSG": "Säkerhetskopia till SD: fel vid skrivning till kortet.",
    "FRM_FW_UPGRADE_AVVISO1_MSG": "VARNING: stäng inte av kassaregistret.",
    "FRM_FW_UPGRADE_AVVISO2_MSG": "VARNING: koppla inte ur seriekabeln.",
    "FRM_FW_UPGRADE_AVVISO3_MSG": "Låt programmet vara öppet tills uppdateringen är klar.",
    "FRM_FW_UPGRADE_VERIFICA_FW_MACCHINA_MSG": "Kontrollerar kassaregistrets firmware...",
    "FRM_FW_UPGRADE_AVVISO_MSG": "Kassaregistrets firmware kommer att ersättas." + B +
        "Låt kassaregistret vara påslaget och anslutet till datorn tills uppdateringen är klar. "
        "Vill du fortsätta?",
    "FRM_FW_UPGRADE_CLOSE_RUN_MSG": "Den nya firmwaren laddas fortfarande. Om du stänger det här "
        "fönstret fortsätter uppdateringen utan det och resultatet visas inte." + B + "Stäng ändå?",
    "FRM_FW_UPGRADE_SHUTDOWN_BLOCK_MSG": "Firmware laddas in i kassaregistret. Stäng inte av "
        "datorn och logga inte ut förrän det är klart.",
    "FRM_FW_UPGRADE_NO_DRIVER_MSG": "En USB-seriell adapter är ansluten, men Windows har ingen "
        "drivrutin för den:",
    "FRM_FW_UPGRADE_IMAGE_DAMAGED_MSG": "Firmwarefilen stämmer inte med sin kontrollsummefil; "
        "den kan vara skadad eller ofullständig. Kopiera den igen.",
}

# file name, comment lines, texts
FILES = [
    ("FrmDescFRA.txt", ["Vardolin - téléchargement du firmware : textes en français",
                        "un message par ligne ; le caractère § passe à la ligne"], FRENCH),
    ("FrmDescEng.txt", ["Vardolin - firmware download: English texts",
                        "one message per line; the character § starts a new line"], ENGLISH),
    ("FrmDescITA.txt", ["Vardolin - caricamento firmware: testi in italiano",
                        "un messaggio per riga; il carattere § va a capo"], ITALIAN),
    ("FrmDescSve.txt", ["Vardolin - överföring av firmware: svenska texter",
                        "ett meddelande per rad; tecknet § ger ny rad"], SWEDISH),
]


class TextError(Exception):
    pass


def validate(name, texts):
    """Raise TextError when the texts of one language break a rule the
    program relies on."""
    missing = [k for k in KEYS if k not in texts]
    extra = [k for k in texts if k not in KEYS]
    if missing or extra:
        raise TextError("%s: missing keys %s, unknown keys %s" % (name, missing, extra))
    for key in KEYS:
        value = texts[key]
        where = "%s %s" % (name, key)
        if not value or value != value.strip():
            raise TextError(where + ": empty, or blanks at either end")
        if any(ch in value for ch in "\r\n\t"):
            raise TextError(where + ": control character in the text")
        if value.startswith(B) or value.endswith(B) or (B + B) in value:
            raise TextError(where + ": empty line made by the line-break mark")
        for part in value.split(B):
            if part != part.strip():
                raise TextError(where + ": blank next to the line-break mark")
        if key in MAX_LEN and len(value) > MAX_LEN[key]:
            raise TextError(where + ": %d characters, at most %d fit" % (len(value), MAX_LEN[key]))
        if key in NO_BREAK and B in value:
            raise TextError(where + ": a caption cannot hold a line break")
        if key in NEEDS_BREAK and B not in value:
            raise TextError(where + ": this message is meant to have two lines")
    if not texts["FRM_FW_UPGRADE_DOWNLOAD_TOUT_MSG"].endswith(":"):
        raise TextError(name + ": the time-out message must end with ':' (the phase follows)")
    if "Up_Loader.exe" not in texts["FRM_FW_UPGRADE_FILE_MISSED_MSG"] or \
            "*.bin" not in texts["FRM_FW_UPGRADE_FILE_MISSED_MSG"]:
        raise TextError(name + ": the missing-file message must name *.bin and Up_Loader.exe")
    for question in ("FRM_FW_UPGRADE_AVVISO_MSG", "FRM_FW_UPGRADE_CLOSE_RUN_MSG"):
        if not texts[question].endswith("?"):
            raise TextError(name + ": %s must end with a question" % question)


def read_back(data):
    """Parse a message file the way the program reads it and return the
    (key, value) pairs in file order.  Raises TextError on a malformed file."""
    if not data.startswith(UTF8_MARK):
        raise TextError("file does not start with the UTF-8 byte-order mark")
    data = data[len(UTF8_MARK):]
    if not data.endswith(b"\r\n"):
        raise TextError("last line is not ended by CR LF")
    lines = data[:-2].split(b"\r\n")
    pairs = []
    for n, raw in enumerate(lines, 1):
        if b"\r" in raw or b"\n" in raw:
            raise TextError("line %d: stray CR or LF" % n)
        try:
            line = raw.decode("utf-8")
        except UnicodeDecodeError as e:
            raise TextError("line %d is not UTF-8 (%s)" % (n, e))
        if line.startswith(";") or (line.startswith("[") and line.endswith("]")):
            continue
        key, sep, value = line.partition("=")
        if not sep or not key or key != key.strip():
            raise TextError("line %d is not KEY=VALUE: %r" % (n, line))
        pairs.append((key, value))
    return pairs


def check_file(data, texts):
    pairs = read_back(data)
    keys = [k for k, _ in pairs]
    if keys != KEYS:
        raise TextError("keys are not the expected %d keys in order" % len(KEYS))
    for key, value in pairs:
        if value != texts[key]:
            raise TextError("%s reads back as %r" % (key, value))


def render(comments, texts):
    lines = ["; " + c for c in comments] + [SECTION]
    lines += ["%s=%s" % (k, texts[k]) for k in KEYS]
    return UTF8_MARK + "".join(line + "\r\n" for line in lines).encode("utf-8")


def cpp_literal(text):
    """A wide string literal of the text as the program holds it once read:
    each "§" already a carriage return, everything beyond ASCII escaped."""
    out = []
    for ch in text.replace(LINE_BREAK, "\r"):
        if ch == "\r":
            out.append("\\r")
        elif ch in "\\\"":
            out.append("\\" + ch)
        elif " " <= ch <= "~":
            out.append(ch)
        else:
            out.append("\\u%04X" % ord(ch))
    return 'L"' + "".join(out) + '"'


def render_header():
    """One {file, {{key, text}, ...}} initialiser per message file."""
    lines = ["// Written by tools/art/write_messages.py from its texts; not edited by hand."]
    for fname, _, texts in FILES:
        validate(fname, texts)
        lines.append("{L\"%s\", {{" % fname)
        lines += ["  {L\"%s\", %s}," % (k, cpp_literal(texts[k])) for k in KEYS]
        lines.append("}}},")
    return "\n".join(lines) + "\n"


def render_key_list():
    """The key list as the X macro the program's message table expands."""
    lines = ["// Written by tools/art/write_messages.py from its key list; not edited by hand.",
             "#pragma once",
             " \\\n".join(["#define VZ_MESSAGE_KEYS(X)"] + ["  X(%s, L\"%s\")" % pair for pair in MESSAGE_KEYS])]
    return "\n".join(lines) + "\n"


def write_if_changed(path, text):
    """Rewritten only when it changes, so the build does not recompile for nothing."""
    try:
        with open(path, encoding="ascii") as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(text)


def write_header(path):
    """The built-in texts into `path`, the key list into message_keys.h beside it."""
    try:
        text = render_header()
    except TextError as e:
        sys.stderr.write("message files: %s\n" % e)
        return 1
    write_if_changed(path, text)
    write_if_changed(os.path.join(os.path.dirname(path), "message_keys.h"), render_key_list())
    return 0


def default_root():
    return os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main(argv):
    args = argv[1:]
    if len(args) == 2 and args[0] == "--header":
        return write_header(args[1])
    check = "--check" in args
    args = [a for a in args if a != "--check"]
    if len(args) > 1:
        sys.stderr.write("usage: write_messages.py [--check] [REPO_ROOT] | --header OUT_FILE\n")
        return 2
    root = args[0] if args else default_root()
    problems = []
    for fname, comments, texts in FILES:
        rel = "data/" + fname
        try:
            validate(fname, texts)
        except TextError as e:
            problems.append(str(e))
            continue
        data = render(comments, texts)
        path = os.path.join(root, "data", fname)
        if check:
            try:
                with open(path, "rb") as f:
                    on_disk = f.read()
            except OSError:
                on_disk = None
            if on_disk is None:
                problems.append("%s is missing (run tools/art/write_messages.py)" % rel)
                continue
            try:
                check_file(on_disk, texts)
            except TextError as e:
                problems.append("%s: %s" % (rel, e))
                continue
            if on_disk != data:
                problems.append("%s is out of date (run tools/art/write_messages.py)" % rel)
            else:
                print("ok   %s" % rel)
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            print("wrote %s (%d bytes)" % (rel, len(data)))
    if problems:
        sys.stderr.write("message files:\n  " + "\n  ".join(problems) + "\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
