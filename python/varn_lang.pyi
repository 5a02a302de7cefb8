# Types of the compiled varn_lang module, for editors and type checkers; the
# extension itself carries none. Installed beside it, in the wheel and in
# build/python/. Kept to what Python 3.9 reads.

__all__ = ["parse", "fmt", "render", "from_json", "from_markdown", "to_json", "build_index"]

class PanicException(BaseException): ...

def parse(source: str) -> str:
    """Parse .varn source text, return JSON AST string."""

def fmt(source: str) -> str:
    """Format .varn source text with consistent indentation."""

def render(doc_json: str) -> str:
    """Render a JSON AST back to .varn text."""

def from_json(json: str) -> str:
    """Convert JSON to .varn text."""

def from_markdown(md: str) -> str:
    """Convert Markdown to .varn text."""

def to_json(source: str) -> str:
    """Convert .varn source to JSON string."""

def build_index(source: str) -> str:
    """Build document index as JSON string."""
