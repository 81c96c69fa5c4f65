#pragma once

// The snippets menu's file commands: export the snippet list to a file,
// import one (or a folder of another expander's), print the list, put a
// backup back. Each does nothing until something implements it.
class SnippetFileCommands
{
public:
    virtual ~SnippetFileCommands() = default;
    virtual void ExportSnippets() {}
    virtual void ImportSnippets() {}
    virtual void PrintSnippets() {}
    virtual void ImportFolder() {}
    virtual void RestoreBackup() {}
};
