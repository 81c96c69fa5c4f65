#pragma once

// The snippets menu's file commands: export the snippet list to a snippet
// file, import one, print the list. Each does nothing until something
// implements it.
class SnippetFileCommands
{
public:
    virtual ~SnippetFileCommands() = default;
    virtual void ExportSnippets() {}
    virtual void ImportSnippets() {}
    virtual void PrintSnippets() {}
};
