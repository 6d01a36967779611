<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>CommandLine</name>
    <message>
        <location filename="../ui/application_identity.cpp" line="20"/>
        <source>Keeps your Favorites the same on every computer through one FTP directory.
Starting it again while it runs brings its window to the front.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="129"/>
        <source>Computer &amp;Name:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="130"/>
        <source>Start at &amp;Login:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="131"/>
        <source>Sync on Start&amp;up:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="135"/>
        <source>Sync when Favorites c&amp;hange:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="136"/>
        <source>&amp;Confirm Changes:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="139"/>
        <source>E&amp;very:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="140"/>
        <source>Sche&amp;dule Sync:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="149"/>
        <source>(Must be used by all clients)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="153"/>
        <source>Use &amp;Encryption:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="158"/>
        <source>Pass&amp;phrase:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="163"/>
        <source>Pu&amp;rge:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="165"/>
        <source>kb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="166"/>
        <source>Log &amp;Activity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="173"/>
        <source>Purge size in kb</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="191"/>
        <source>Pro&amp;tocol:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="193"/>
        <source>FTP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="193"/>
        <source>FTP over TLS (FTPS)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="193"/>
        <source>SFTP (SSH)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="194"/>
        <source>WebDAV over HTTPS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="194"/>
        <source>WebDAV over HTTP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="195"/>
        <source>H&amp;ost/IP Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="196"/>
        <source>&amp;Username:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="197"/>
        <source>&amp;Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="201"/>
        <source>Po&amp;rt Number:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="202"/>
        <source>Passi&amp;ve Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="203"/>
        <source>Remote &amp;Directory:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="213"/>
        <source>Current Activity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="225"/>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="226"/>
        <source>&amp;Sync Now!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="227"/>
        <source>&amp;Undo Last Sync</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="228"/>
        <source>&amp;Import Bookmarks…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="229"/>
        <source>&amp;Export Bookmarks…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="230"/>
        <source>Connect &amp;Browsers…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="231"/>
        <source>&amp;Hide</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="232"/>
        <source>&amp;View Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="234"/>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="236"/>
        <location filename="../ui/main_window_controls.cpp" line="237"/>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="239"/>
        <source>&amp;About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="242"/>
        <source>Sync Now!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="243"/>
        <source>Undo Last Sync</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="244"/>
        <source>Show</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="245"/>
        <source>View Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="247"/>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="248"/>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="250"/>
        <source>Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="257"/>
        <source>&amp;Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="258"/>
        <source>Sync No&amp;w!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="279"/>
        <source>Settings and activity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="280"/>
        <source>&amp;General Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="281"/>
        <source>Server Se&amp;ttings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="282"/>
        <source>Current Act&amp;ivity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_controls.cpp" line="293"/>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrin::ui::AboutDialog</name>
    <message>
        <location filename="../ui/about_dialog.cpp" line="17"/>
        <source> - About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/about_dialog.cpp" line="29"/>
        <source>Keeps your Favorites the same on every computer
through one FTP directory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/about_dialog.cpp" line="30"/>
        <source>Copyright © 2025 The Kestrin developers.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrin::ui::FavoritesMenu</name>
    <message>
        <location filename="../ui/favorites_menu.cpp" line="78"/>
        <source>Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/favorites_menu.cpp" line="125"/>
        <source>(Empty)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/favorites_menu.cpp" line="122"/>
        <source>… %1 more</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrin::ui::MainWindow</name>
    <message>
        <location filename="../ui/main_window.cpp" line="145"/>
        <location filename="../ui/main_window.cpp" line="217"/>
        <source>Hide</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp" line="145"/>
        <location filename="../ui/main_window.cpp" line="215"/>
        <source>Show</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp" line="148"/>
        <source>Unable to open %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window.cpp" line="226"/>
        <source>No Activity Log available!</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/main_window_run.cpp" line="95"/>
        <source>%n change(s) made to your Favorites.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <location filename="../ui/main_window_settings.cpp" line="96"/>
        <source>Unable to Save Settings: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_settings.cpp" line="123"/>
        <source>(encrypted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_settings.cpp" line="124"/>
        <source>(encoded, not encrypted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_settings.cpp" line="129"/>
        <source>You cannot enable the option, &apos;Schedule Sync&apos; with the option, &apos;Confirm Changes&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_settings.cpp" line="137"/>
        <source>You cannot enable the option, &apos;Confirm Changes&apos; with the option, &apos;Schedule Sync&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_settings.cpp" line="171"/>
        <source>(the password travels in clear)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="25"/>
        <source>this computer&apos;s favorite</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="25"/>
        <source>this computer&apos;s %1 favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="27"/>
        <source>The shared list on the server holds the favorites of another computer.

What should become of %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="32"/>
        <source>Keep this computer&apos;s favorite and add it to the shared list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="33"/>
        <source>Keep this computer&apos;s %1 favorites and add them to the shared list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="35"/>
        <source>Replace them with the shared list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="41"/>
        <source>The server %1 is new to this computer. Its key fingerprint is

%2

Trust it only if that is the fingerprint the server&apos;s owner gives. A server that shows another one later is refused.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="45"/>
        <source>Do &amp;Not Trust</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="45"/>
        <source>&amp;Trust This Server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="68"/>
        <source>1 shortcut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="68"/>
        <source>%1 shortcuts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="70"/>
        <source>%1 and %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="70"/>
        <source>1 folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="70"/>
        <source>%1 folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="74"/>
        <source>Put back %1 from before the sync of %2?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="75"/>
        <source>Put Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="27"/>
        <source>Bookmark files (*.html *.htm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="39"/>
        <source>From %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="41"/>
        <location filename="../ui/main_window_safety.cpp" line="75"/>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="41"/>
        <source>From a Bookmark File…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="44"/>
        <source>Import which bookmarks into the Favorites?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="55"/>
        <source>Import Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="63"/>
        <source>Export Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="75"/>
        <source>Error: Unable to Import Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="77"/>
        <source>Unable to Import Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="81"/>
        <location filename="../ui/main_window_bookmarks.cpp" line="111"/>
        <source>Skipped %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="84"/>
        <source>Not shared: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="87"/>
        <source>Error: The next sync may delete what was imported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="90"/>
        <source>Imported %1 shortcuts (%2 beside another of the same name) and %3 folders; %4 shortcuts were there already.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="105"/>
        <source>Error: Unable to Export Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="107"/>
        <source>Unable to Export Bookmarks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="114"/>
        <source>Exported %1 shortcuts in %2 folders to %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="136"/>
        <source>Error: Unable to Connect %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="144"/>
        <source>No browser to connect: neither Firefox nor Chromium has a profile here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_bookmarks.cpp" line="145"/>
        <source>Connected %1 to the Favorites. Add the Kestrin extension in each browser: its options page shows the connection.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="81"/>
        <source>Error: Unable to Restore Favorites</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="83"/>
        <source>Unable to Undo the Last Sync</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="87"/>
        <source>Error: Unable to Restore %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="89"/>
        <source>Put back %1 from before the sync of %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="93"/>
        <source>Undo Last Sync: %1 could not be put back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="94"/>
        <source>1 place</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/main_window_safety.cpp" line="94"/>
        <source>%1 places</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrin::ui::ProcessDialog</name>
    <message>
        <location filename="../ui/process_dialog.cpp" line="29"/>
        <source>Flag</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="30"/>
        <source>Action</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="31"/>
        <source>Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="32"/>
        <source>Bookmark</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="74"/>
        <source>&amp;All/None</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="75"/>
        <source>&amp;Disable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="76"/>
        <source>&amp;Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="77"/>
        <source>&amp;Process</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="80"/>
        <source> - Process</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="82"/>
        <source>Pending changes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="84"/>
        <source>Disable automatic &amp;timeout:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="178"/>
        <source>Timeout in %1 secs.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <location filename="../ui/process_dialog.cpp" line="189"/>
        <source>Timeout Disabled.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kestrin::ui::TrayIcon</name>
    <message>
        <location filename="../ui/tray_icon.cpp" line="103"/>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
