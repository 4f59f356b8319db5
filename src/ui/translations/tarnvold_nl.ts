<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="nl">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>Kan %1 niet openen: bestand of map bestaat niet.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Gemaakt door de ontwikkelaars van Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Codeert en decodeert bestanden met een wachtwoord.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Vrije software: GNU GPL 3 of later.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Alleen lichte bescherming: bewaar originelen.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Vrije software onder de GNU GPL, versie 3 of later.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>Het formaat houdt alleen toevallige lezers buiten; het is geen echte bescherming.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Bewaar de originelen tot u de gecodeerde kopieën hebt gecontroleerd.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>%1 bestanden of mappen neergezet; de eerste is geselecteerd: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Er wordt een bestand bewerkt. Stoppen, zonder iets van de uitvoer achter te laten, en afsluiten ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Er loopt een mapbewerking. Na het huidige bestand stoppen en afsluiten ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>De map %1 kan niet worden gelezen: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>De map %1 bevat geen leesbaar bestand</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Logboek</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Voortgang van de controlesom</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Eerste codeerronde</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Tweede codeerronde</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Bestanden</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Mappen</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Deze map kan niet worden gelezen: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>De map %1 is verwijderd of hernoemd; %2 wordt getoond</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>De helppagina is niet gevonden:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 staat niet in %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Voer het wachtwoord opnieuw in</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Minstens twee tekens nodig</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>De wachtwoorden verschillen; opnieuw invoeren</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>de naam is leeg</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>een mapnaam mag geen "/" bevatten</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" is geen naam voor een nieuwe map</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Mappen</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Kan de map %1 niet maken: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Kan de map niet maken: %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Wachtwoord genomen als %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Door de gebruiker gestopt na %1 van %2 bestanden</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Overgeslagen: %1: dit is de doelmap</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Overgeslagen: %1: de koppeling leidt naar de doelmap</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Overgeslagen: %1: de koppeling leidt terug naar een map die wordt doorlopen</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Overgeslagen: %1: het doel %2 is een symbolische koppeling</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Overgeslagen: %1: het doel %2 is geen map</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>De doelmap is de bronmap of ligt erin, er is niets geschreven: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Bron en doel zijn hetzelfde bestand, er is niets geschreven: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 bestaat niet meer</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Alle bestanden (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>de naam is leeg</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>een naam mag geen "/" bevatten</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" kan geen naam zijn</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" bestaat al in die map</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>Kan %1 niet hernoemen naar "%2": </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>geweigerd</translation>
    </message>
</context>
</TS>
