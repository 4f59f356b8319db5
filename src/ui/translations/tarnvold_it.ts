<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="it">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>Impossibile aprire %1: file o cartella inesistente.</translation>
    </message>
</context>
<context>
    <name>tarnvold::AboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Realizzato dagli sviluppatori di Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Codifica e decodifica file con una password.</translation>
    </message>
    <message>
        <source>Free software: GNU GPL 3 or later.</source>
        <translation>Software libero: GNU GPL 3 o successiva.</translation>
    </message>
    <message>
        <source>Light protection only: keep originals.</source>
        <translation>Protezione leggera: conservate gli originali.</translation>
    </message>
    <message>
        <source>Free software under the GNU GPL, version 3 or later.</source>
        <translation>Software libero sotto la GNU GPL, versione 3 o successiva.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>Il formato tiene lontani solo i lettori occasionali; non è una vera protezione.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Conservate gli originali finché non avete controllato le copie codificate.</translation>
    </message>
</context>
<context>
    <name>tarnvold::MainWindow</name>
    <message>
        <source>Stop</source>
        <translation>Ferma</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>Rilasciati %1 file o cartelle; il primo è selezionato: %2</translation>
    </message>
    <message>
        <source>A file is being worked on. Stop it, leaving nothing of its output, and quit ?</source>
        <translation>È in corso l'elaborazione di un file. Fermarla, senza lasciare nulla del risultato, e uscire ?</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>È in corso un'elaborazione di cartella. Fermarla dopo il file corrente e uscire ?</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>Impossibile leggere la cartella %1: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>La cartella %1 non contiene alcun file leggibile</translation>
    </message>
</context>
<context>
    <name>tarnvold::ProgressPanel</name>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Avanzamento del checksum</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Primo passaggio di codifica</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Secondo passaggio di codifica</translation>
    </message>
</context>
<context>
    <name>tarnvold::ShellPanes</name>
    <message>
        <source>Files</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Cartelle</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>Impossibile leggere questa cartella: %1</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>La cartella %1 è stata rimossa o rinominata; viene mostrata %2</translation>
    </message>
</context>
<context>
    <name>tarnvold::HelpWindow</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>Pagina della guida non trovata:</translation>
    </message>
</context>
<context>
    <name>tarnvold::PasswordDialog</name>
    <message>
        <source>%1 is not in %2</source>
        <translation>%1 non è in %2</translation>
    </message>
    <message>
        <source>Enter the password again</source>
        <translation>Inserisci di nuovo la password</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Servono almeno due caratteri</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Le password sono diverse; reinseriscila</translation>
    </message>
</context>
<context>
    <name>tarnvold::FolderChooser</name>
    <message>
        <source>the name is empty</source>
        <translation>il nome è vuoto</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>un nome di cartella non può contenere "/"</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" non è un nome per una nuova cartella</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Cartelle</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>Impossibile creare la cartella %1: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>Impossibile creare la cartella %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::report</name>
    <message>
        <source>Password taken as %1</source>
        <translation>Password presa come %1</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files</source>
        <translation>Fermato dall'utente dopo %1 file su %2</translation>
    </message>
    <message>
        <source>Passed by %1: it is the destination folder</source>
        <translation>Saltato %1: è la cartella di destinazione</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads into the destination folder</source>
        <translation>Saltato %1: il collegamento porta nella cartella di destinazione</translation>
    </message>
    <message>
        <source>Passed by %1: the link leads back to a folder being walked</source>
        <translation>Saltato %1: il collegamento riporta a una cartella in corso di visita</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is a symbolic link</source>
        <translation>Saltato %1: la destinazione %2 è un collegamento simbolico</translation>
    </message>
    <message>
        <source>Passed by %1: its destination %2 is not a folder</source>
        <translation>Saltato %1: la destinazione %2 non è una cartella</translation>
    </message>
    <message>
        <source>The destination folder is the source folder or lies inside it, nothing was written: %1</source>
        <translation>La cartella di destinazione è quella di origine o si trova al suo interno, non è stato scritto nulla: %1</translation>
    </message>
    <message>
        <source>Source and destination are the same file, nothing was written: %1</source>
        <translation>Origine e destinazione sono lo stesso file, non è stato scritto nulla: %1</translation>
    </message>
    <message>
        <source>%1 no longer exists</source>
        <translation>%1 non esiste più</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Tutti i file (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>il nome è vuoto</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>un nome non può contenere "/"</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" non può essere un nome</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" esiste già in quella cartella</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>Impossibile rinominare %1 in "%2": </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>rifiutato</translation>
    </message>
</context>
</TS>
