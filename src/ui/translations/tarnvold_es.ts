<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<TS version="2.1" language="es">
<context>
    <name>tarnvold</name>
    <message>
        <source>Cannot open %1: no such file or folder.</source>
        <translation>No se puede abrir %1: no existe ese archivo ni esa carpeta.</translation>
    </message>
</context>
<context>
    <name>tarnvold::TAboutBox</name>
    <message>
        <source>Made by the Tarnvold developers</source>
        <translation>Hecho por los desarrolladores de Tarnvold</translation>
    </message>
    <message>
        <source>Codes and decodes files with a password.</source>
        <translation>Codifica y descodifica archivos con una contraseña.</translation>
    </message>
    <message>
        <source>The coded-file format keeps out casual readers only; it is no real protection.</source>
        <translation>El formato solo aparta a lectores casuales; no es una protección real.</translation>
    </message>
    <message>
        <source>Keep your originals until you have checked the coded copies.</source>
        <translation>Conserve los originales hasta haber comprobado las copias codificadas.</translation>
    </message>
</context>
<context>
    <name>tarnvold::TForm1</name>
    <message>
        <source>Stop</source>
        <translation>Detener</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>Registro</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Archivos</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>Checksum progress</source>
        <translation>Progreso de la suma de control</translation>
    </message>
    <message>
        <source>First coding pass</source>
        <translation>Primera pasada de codificación</translation>
    </message>
    <message>
        <source>Second coding pass</source>
        <translation>Segunda pasada de codificación</translation>
    </message>
    <message>
        <source>%1 files or folders were dropped; the first is selected: %2</source>
        <translation>Se soltaron %1 archivos o carpetas; el primero está seleccionado: %2</translation>
    </message>
    <message>
        <source>A folder run is in progress. Stop it after the current file and quit ?</source>
        <translation>Hay un proceso de carpeta en curso. ¿Detenerlo tras el archivo actual y salir ?</translation>
    </message>
    <message>
        <source>The folder %1 was removed or renamed; %2 is shown</source>
        <translation>La carpeta %1 se eliminó o cambió de nombre; se muestra %2</translation>
    </message>
    <message>
        <source>This folder cannot be read: %1</source>
        <translation>No se puede leer esta carpeta: %1</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read: %2</source>
        <translation>No se puede leer la carpeta %1: %2</translation>
    </message>
    <message>
        <source>The folder %1 holds no file that can be read</source>
        <translation>La carpeta %1 no contiene ningún archivo legible</translation>
    </message>
</context>
<context>
    <name>tarnvold::TForm2</name>
    <message>
        <source>The help page could not be found:</source>
        <translation>No se encontró la página de ayuda:</translation>
    </message>
</context>
<context>
    <name>tarnvold::TPasswordDlg</name>
    <message>
        <source>Enter the password again</source>
        <translation>Escriba la contraseña otra vez</translation>
    </message>
    <message>
        <source>At least two characters are needed</source>
        <translation>Se necesitan al menos dos caracteres</translation>
    </message>
    <message>
        <source>The two passwords differ; enter it anew</source>
        <translation>Las contraseñas no coinciden; escríbala de nuevo</translation>
    </message>
</context>
<context>
    <name>tarnvold::Topendir</name>
    <message>
        <source>the name is empty</source>
        <translation>el nombre está vacío</translation>
    </message>
    <message>
        <source>a folder name cannot contain "/"</source>
        <translation>un nombre de carpeta no puede contener "/"</translation>
    </message>
    <message>
        <source>"%1" is not a name for a new folder</source>
        <translation>"%1" no es un nombre para una carpeta nueva</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>Cannot create the folder %1: %2.</source>
        <translation>No se puede crear la carpeta %1: %2.</translation>
    </message>
    <message>
        <source>Cannot create the folder %1</source>
        <translation>No se puede crear la carpeta %1</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui</name>
    <message>
        <source>All files (*)</source>
        <translation>Todos los archivos (*)</translation>
    </message>
</context>
<context>
    <name>tarnvold::ui::ShellModel</name>
    <message>
        <source>the name is empty</source>
        <translation>el nombre está vacío</translation>
    </message>
    <message>
        <source>a name cannot contain "/"</source>
        <translation>un nombre no puede contener "/"</translation>
    </message>
    <message>
        <source>"%1" cannot be a name</source>
        <translation>"%1" no puede ser un nombre</translation>
    </message>
    <message>
        <source>"%1" already exists in that folder</source>
        <translation>"%1" ya existe en esa carpeta</translation>
    </message>
    <message>
        <source>Cannot rename %1 to "%2": </source>
        <translation>No se puede cambiar el nombre de %1 a "%2": </translation>
    </message>
    <message>
        <source>refused</source>
        <translation>rechazado</translation>
    </message>
</context>
</TS>
