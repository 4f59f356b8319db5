<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::TAboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::TForm1</name>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::TForm2</name>
    <message>
        <source>The help page could not be found:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::TPasswordDlg</name>
    <message>
        <source>Enter the password again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::Topendir</name>
    <message>
        <source>the name is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a folder name cannot contain &quot;/&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a name for a new folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a name cannot contain &quot;/&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be a name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; already exists in that folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot rename %1 to &quot;%2&quot;: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>refused</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
