// Prints the target of the shortcut file given as the first argument: the
// target path of a .lnk file, the URL of a .url file, the URL (or the command)
// of a .desktop file. Any other existing file is its own target.
var path = WScript.Arguments.length > 0 ? WScript.Arguments(0) : "";
var fso = new ActiveXObject("Scripting.FileSystemObject");
if (path === "" || !fso.FileExists(path)) WScript.Quit(1);

// The value of key in section, from a key=value text.
function iniValue(text, section, key) {
    var lines = text.split(/\r\n|\r|\n/);
    var inside = false;
    for (var i = 0; i < lines.length; i++) {
        var line = lines[i].replace(/^\s+|\s+$/g, "");
        if (line.charAt(0) === "[") {
            inside = line === "[" + section + "]";
        } else if (inside && line.indexOf(key + "=") === 0) {
            return line.substring(key.length + 1);
        }
    }
    return "";
}

var ext = fso.GetExtensionName(path).toLowerCase();
var target = path;
if (ext === "lnk") {
    target = WScript.CreateObject("WScript.Shell").CreateShortcut(path).TargetPath;
} else if (ext === "url") {
    target = iniValue(fso.OpenTextFile(path, 1).ReadAll(), "InternetShortcut", "URL");
} else if (ext === "desktop") {
    var text = fso.OpenTextFile(path, 1).ReadAll();
    target = iniValue(text, "Desktop Entry", "URL");
    if (target === "") {
        // Field codes such as %u stand for arguments; they are not part of the command.
        target = iniValue(text, "Desktop Entry", "Exec").replace(/\s*%[a-zA-Z]/g, "").split("%%").join("%");
    }
}
if (target === "") WScript.Quit(1);
WScript.StdOut.Write(target);
