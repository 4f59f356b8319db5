<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="de">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>%1 kann nicht geöffnet werden: keine solche Datei und kein solcher Ordner.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Von den Tarnvold-Entwicklern</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Kodiert und dekodiert Dateien mit einem Passwort.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Freie Software: GNU GPL 3 oder später.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Nur leichter Schutz: Originale behalten.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Freie Software unter der GNU GPL, Version 3 oder später.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>Das Format hält nur Gelegenheitsleser fern; es ist kein echter Schutz.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Behalten Sie die Originale, bis Sie die kodierten Kopien geprüft haben.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Anhalten</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>%1 Dateien oder Ordner wurden abgelegt; der erste ist ausgewählt: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>Eine Datei wird bearbeitet. Anhalten, ohne etwas von der Ausgabe zu hinterlassen, und beenden ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Ein Ordnerlauf ist im Gang. Nach der aktuellen Datei anhalten und beenden ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>Der Ordner %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>Der Ordner %1 enthält keine lesbare Datei</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Protokoll</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Fortschritt der Prüfsumme</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Erster Kodierdurchgang</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Zweiter Kodierdurchgang</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Dieser Ordner kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>Der Ordner %1 wurde entfernt oder umbenannt; %2 wird gezeigt</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>Die Hilfeseite wurde nicht gefunden:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 ist nicht in %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Passwort noch einmal eingeben</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Mindestens zwei Zeichen nötig</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Die Passwörter sind verschieden; neu eingeben</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>der Name ist leer</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>ein Ordnername darf kein "/" enthalten</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" ist kein Name für einen neuen Ordner</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Der Ordner %1 kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Ordner kann nicht angelegt werden: %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Passwort genommen als %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Vom Benutzer angehalten nach %1 von %2 Dateien</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Übergangen: %1: das ist der Zielordner</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Übergangen: %1: der Link führt in den Zielordner</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Übergangen: %1: der Link führt zurück in einen durchlaufenen Ordner</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Übergangen: %1: sein Ziel %2 ist ein symbolischer Link</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Übergangen: %1: sein Ziel %2 ist kein Ordner</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>Der Zielordner ist der Quellordner oder liegt darin, nichts wurde geschrieben: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Quelle und Ziel sind dieselbe Datei, nichts wurde geschrieben: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 gibt es nicht mehr</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>der Name ist leer</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>ein Name darf kein "/" enthalten</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" kann kein Name sein</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" gibt es in diesem Ordner schon</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>%1 kann nicht in "%2" umbenannt werden: </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>abgelehnt</translation>
    </message>
</context>
</TS>
