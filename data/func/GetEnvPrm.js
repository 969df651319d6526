// Prints where the browser favourites and the send-to shortcuts are, as
// settings text with the section EnvPrm.
var shell = WScript.CreateObject("WScript.Shell");
WScript.Echo("[EnvPrm]");
WScript.Echo("Favorites=" + shell.SpecialFolders("Favorites"));
WScript.Echo("SendTo=" + shell.SpecialFolders("SendTo"));
