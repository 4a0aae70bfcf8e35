#!/usr/bin/python3
"""Writes the WiX source of Tabwright's Windows installer from the folder the
zip is made of, for wixl (msitools, run in the WiX file's folder with -a x64) to build into tabwright-VERSION-x64.msi.

    msi.py --stage STAGE --version 1.0.0 --icon tabwright.ico --marker installed.txt --out tabwright.wxs

A per-user install (no administrator rights) into
%LOCALAPPDATA%\\Programs\\Tabwright: both programs, the samples, the hand
pointer, the licence and notices, and installed.txt, which tells the program
to keep its work database and the samples it changes in the user's data
folder. A Start-menu shortcut with the program's icon; the entry under
"Apps" with the version, the icon and the uninstaller. A later version
replaces an earlier one in place (one UpgradeCode); the settings in
HKEY_CURRENT_USER\\Software\\Kestrava\\Tabwright are the program's and stay.
The work database of the zip (dbtemp.mdb) is left out: the program makes its
own in the user's data folder.
"""
import argparse
import os
import pathlib
import uuid
from xml.sax.saxutils import quoteattr

# Never change: Windows knows every version of Tabwright by it.
UPGRADE_CODE = '6F1E3C1A-4B7D-4E58-9C2B-5A0D7E91B3C4'
# The namespace the components' GUIDs are made in from their paths, so that
# a file keeps its component from one version to the next.
COMPONENTS = uuid.UUID('0B9E2C57-3F64-4A1D-8E70-2D4C6B1A9F38')
LEFT_OUT = {'dbtemp.mdb'}
# Where the shortcut and the "Apps" entry are noted: a per-user shortcut needs
# a per-user key to stand for it.
INSTALLER_KEY = r'Software\Kestrava\Tabwright Installer'


def ident(prefix, relative):
    """A WiX identifier for a path: letters, digits, '_' and '.', at most 72 characters."""
    text = ''.join(c if c.isalnum() or c in '_.' else '_' for c in str(relative))
    return (prefix + '_' + text)[:60] + '_' + uuid.uuid5(COMPONENTS, str(relative)).hex[:8]


def source(path, base):
    """wixl takes sources relative to the folder it runs in: the WiX file's."""
    return os.path.relpath(path, base).replace(os.sep, '/')


def guid(relative):
    return str(uuid.uuid5(COMPONENTS, str(relative))).upper()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('--stage', required=True)
    parser.add_argument('--version', required=True)
    parser.add_argument('--icon', required=True)
    parser.add_argument('--marker', required=True)
    parser.add_argument('--out', required=True)
    args = parser.parse_args()
    stage = pathlib.Path(args.stage).resolve()
    base = pathlib.Path(args.out).resolve().parent
    extra = {pathlib.PurePath('installed.txt'): pathlib.Path(args.marker).resolve()}

    components = []
    lines = []

    def folder(path, relative, indent):
        entries = sorted(path.iterdir(), key=lambda p: p.name.lower())
        files = [(relative / p.name, p) for p in entries if p.is_file() and p.name not in LEFT_OUT]
        if relative == pathlib.PurePath('.'):
            files += sorted((pathlib.PurePath(k), v) for k, v in extra.items())
        pad = ' ' * indent
        for rel, path_of in files:
            cid = ident('c', rel)
            components.append(cid)
            lines.append(f'{pad}<Component Id="{cid}" Guid="{guid(rel)}" Win64="yes">')
            lines.append(f'{pad}  <File Id={quoteattr(ident("f", rel))} Name={quoteattr(rel.name)} '
                         f'Source={quoteattr(source(path_of, base))} KeyPath="yes" />')
            lines.append(f'{pad}</Component>')
        for sub in entries:
            if sub.is_dir():
                rel = relative / sub.name
                did = ident('d', rel)
                lines.append(f'{pad}<Directory Id="{did}" Name={quoteattr(sub.name)}>')
                cid = ident('r', rel)
                components.append(cid)
                lines.append(f'{pad}  <Component Id="{cid}" Guid="{guid("remove " + str(rel))}" Win64="yes">')
                lines.append(f'{pad}    <RemoveFolder Id={quoteattr(ident("rf", rel))} On="uninstall" />')
                lines.append(f'{pad}    <RegistryValue Root="HKCU" Key="{INSTALLER_KEY}" Name={quoteattr(str(rel))} '
                             f'Type="integer" Value="1" KeyPath="yes" />')
                lines.append(f'{pad}  </Component>')
                folder(sub, rel, indent + 2)
                lines.append(f'{pad}</Directory>')

    folder(stage, pathlib.PurePath('.'), 10)
    refs = '\n'.join(f'      <ComponentRef Id="{c}" />' for c in components)
    body = '\n'.join(lines)
    version = args.version
    wxs = f'''<?xml version="1.0" encoding="utf-8"?>
<!-- Written by scripts/windows/msi.py for Tabwright {version}. -->
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Tabwright" Language="1033" Version="{version}" Manufacturer="Kestrava"
           UpgradeCode="{UPGRADE_CODE}">
    <Package InstallerVersion="500" Compressed="yes" InstallScope="perUser"
             Description="Tabwright {version}: copy tables between FoxPro and Paradox databases"
             Comments="Installs Tabwright for the current user" Manufacturer="Kestrava" />
    <MajorUpgrade DowngradeErrorMessage="A later version of Tabwright is already installed." />
    <Media Id="1" Cabinet="tabwright.cab" EmbedCab="yes" />
    <Icon Id="tabwright.ico" SourceFile={quoteattr(source(pathlib.Path(args.icon).resolve(), base))} />
    <Property Id="ARPPRODUCTICON" Value="tabwright.ico" />
    <Property Id="ARPURLINFOABOUT" Value="https://www.kestrava.com/" />
    <Property Id="ARPHELPLINK" Value="https://www.kestrava.com/contact" />
    <Property Id="ARPNOMODIFY" Value="1" />
    <Property Id="ARPNOREPAIR" Value="1" />
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="LocalAppDataFolder">
        <Directory Id="LocalPrograms" Name="Programs">
          <Directory Id="INSTALLDIR" Name="Tabwright">
            <Component Id="c_installdir" Guid="{guid('remove .')}" Win64="yes">
              <RemoveFolder Id="rf_installdir" On="uninstall" />
              <RegistryValue Root="HKCU" Key="{INSTALLER_KEY}" Name="InstallFolder" Type="string"
                             Value="[INSTALLDIR]" KeyPath="yes" />
            </Component>
{body}
          </Directory>
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="c_shortcut" Guid="{guid('shortcut')}" Win64="yes">
          <Shortcut Id="s_tabwright" Name="Tabwright" Description="Copy tables between FoxPro and Paradox databases"
                    Target="[INSTALLDIR]tabwright.exe" WorkingDirectory="INSTALLDIR" Icon="tabwright.ico" />
          <RegistryValue Root="HKCU" Key="{INSTALLER_KEY}" Name="Shortcut" Type="integer" Value="1"
                         KeyPath="yes" />
        </Component>
      </Directory>
    </Directory>
    <Feature Id="Tabwright" Title="Tabwright" Level="1">
      <ComponentRef Id="c_installdir" />
      <ComponentRef Id="c_shortcut" />
{refs}
    </Feature>
  </Product>
</Wix>
'''
    pathlib.Path(args.out).write_text(wxs, encoding='utf-8')


if __name__ == '__main__':
    main()
